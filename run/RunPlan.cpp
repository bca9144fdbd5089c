#include "run/RunPlan.h"

#include <utility>

#include "platform/text/ShellPath.h"
#include "platform/text/TextCodec.h"

std::optional<RunPlan> PlanFor(std::u16string source, std::u16string output,
                               const std::function<std::vector<std::u16string>(const PlanPaths&)>& build)
{
    RunPlan plan;
    plan.folder = RunFolder::Create(output);
    if (!plan.folder)
        return std::nullopt;
    plan.newFile = plan.folder.Path() + u'/' + std::u16string(PathFindFileNameW(output));
    plan.commands = build({plan.folder.Path(), plan.newFile});
    plan.source = std::move(source);
    plan.output = std::move(output);
    return plan;
}

ConfinementRules EncoderRules(const RunPlan& plan)
{
    ConfinementRules rules;
    rules.readTrees = SystemReadTrees();
    if (!plan.source.empty())
        rules.readFiles.push_back(EncodeUtf8(plan.source));
    if (plan.folder)
        rules.writeTrees.push_back(EncodeUtf8(plan.folder.Path()));
    return rules;
}
