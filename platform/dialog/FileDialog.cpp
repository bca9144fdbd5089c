#include "platform/dialog/FileDialog.h"

#include <QFileDialog>
#include <QStringList>

#include "platform/dialog/private/DialogImpl_p.h"

namespace {

// The toolkit reads a filter's patterns from the last parentheses of its name. Each filter
// therefore gets its patterns appended in parentheses of their own, which the dialog keeps
// out of sight, so the name shows exactly as written.
QStringList ToolkitFilters(std::u16string_view filter)
{
    const QStringList parts = ToQString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            // "*.*" asks for every file; taken literally it would want a dot in the name.
            patterns << (trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
        }
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(QLatin1Char(' ')));
    }
    return filters;
}

}  // namespace

CFileDialog::CFileDialog(bool bOpenFileDialog, const char16_t* defExt, const char16_t* fileName,
                         unsigned flags, std::u16string_view filter, CWnd* pParentWnd)
    : m_bOpenFileDialog(bOpenFileDialog),
      m_bMultiSelect((flags & OFN_ALLOWMULTISELECT) != 0),
      m_defExt(defExt ? defExt : u""),
      m_fileName(fileName ? fileName : u""),
      m_filter(filter),
      m_pParentWnd(pParentWnd)
{
    constexpr unsigned kHonoured = OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT;
    if (flags & ~kHonoured)
        qCWarning(lcDialog).nospace() << "file dialog: flags 0x" << Qt::hex << (flags & ~kHonoured)
                                      << " are not honoured";
}

std::intptr_t CFileDialog::DoModal()
{
    // The toolkit's own dialog, not the desktop's: it accepts a name that does not exist in
    // the Open kind, and it can be driven where no desktop runs.
    QFileDialog dialog(SafeOwner(m_pParentWnd, nullptr));
    dialog.setObjectName(QStringLiteral("fileDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(m_bOpenFileDialog ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    // The toolkit chooses several only among files that exist.
    dialog.setFileMode(m_bMultiSelect && m_bOpenFileDialog ? QFileDialog::ExistingFiles : QFileDialog::AnyFile);
    const QStringList filters = ToolkitFilters(m_filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    if (!m_defExt.empty())
        dialog.setDefaultSuffix(ToQString(m_defExt));
    if (!m_fileName.empty())
        dialog.selectFile(ToQString(m_fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return IDCANCEL;
    m_pathNames.clear();
    for (const QString& file : dialog.selectedFiles())
        m_pathNames.push_back(FromQString(file));
    return IDOK;
}

std::u16string CFileDialog::GetPathName() const
{
    return m_pathNames.empty() ? std::u16string() : m_pathNames.front();
}

std::vector<std::u16string> CFileDialog::GetPathNames() const
{
    return m_pathNames;
}
