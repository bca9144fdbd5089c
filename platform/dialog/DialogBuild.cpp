// Building a dialog's window from its template: the frame, the font and its units, the
// owner, the controls in creation order, their stacking and their groups.

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QTabBar>
#include <QTabWidget>

#include <cassert>

#include "platform/dialog/WinApp.h"
#include "platform/dialog/private/DialogImpl_p.h"
#include "platform/dialog/private/FontChoice_p.h"

namespace {

const char* StyleName(unsigned bit)
{
    switch (bit) {
    case kTabStop: return "tab stop";
    case kGroup: return "group";
    case kDisabled: return "disabled";
    case kHidden: return "hidden";
    case kRightAlign: return "right-aligned";
    case kNumber: return "digits only";
    case kReadOnly: return "read-only";
    case kMultiline: return "multi-line";
    case kAutoHScroll: return "horizontal auto-scroll";
    case kAutoVScroll: return "vertical auto-scroll";
    case kHScroll: return "horizontal scroll bar";
    case kTransparent: return "transparent";
    case kLive: return "live";
    default: return "unknown";
    }
}

const char* DialogStyleName(unsigned bit)
{
    switch (bit) {
    case kDsCaption: return "caption";
    case kDsSysMenu: return "window menu";
    case kDsModalFrame: return "modal frame";
    case kDsAppWindow: return "task-bar window";
    default: return "unknown";
    }
}

}  // namespace

int MulDiv(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

QFont DialogFont(std::u16string_view face, int pointSize)
{
    QFont font;
    if (face == u"宋体" || face == u"SimSun") {
        const QString chosen = ChineseDialogFamily();
        if (!chosen.isEmpty())
            font.setFamily(chosen);
    } else {
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    }
    // Points become pixels at the dialog manager's 96 per inch; the toolkit scales pixels
    // on denser screens.
    font.setPixelSize(MulDiv(pointSize, 96, 72));
    return font;
}

void DialogBaseUnits(const QFont& font, int& baseX, int& baseY)
{
    const QFontMetrics fm(font);
    const int width =
        fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX = (width / 26 + 1) / 2;
    baseY = fm.height();
}

// A template bit that nothing honours would be dropped without a trace; a template is
// refused loudly instead, naming the control and the bit.
void DialogImpl::CheckTemplate(bool owned) const
{
    const DlgTemplate& tmpl = owner.Template();
    const QString caption = ToQString(tmpl.caption);
    bool honoured = true;
    const unsigned badDialogBits =
        (tmpl.style & ~kHonouredDialogStyles) | (owned ? tmpl.style & kDsAppWindow : 0u);
    for (unsigned bit = 1; bit != 0; bit <<= 1) {
        if (badDialogBits & bit) {
            honoured = false;
            qCWarning(lcDialog).nospace().noquote()
                << "dialog \"" << caption << "\" does not honour the dialog style \""
                << DialogStyleName(bit) << "\"" << (bit == kDsAppWindow ? " on an owned dialog" : "");
        }
    }
    for (const DlgControl& c : tmpl.controls) {
        const unsigned bad = UnhonouredStyles(c);
        for (unsigned bit = 1; bit != 0; bit <<= 1) {
            if (bad & bit) {
                honoured = false;
                qCWarning(lcDialog).nospace().noquote()
                    << "dialog \"" << caption << "\": control " << c.id
                    << " does not honour the style \"" << StyleName(bit) << "\"";
            }
        }
    }
    assert(honoured && "a dialog template carries a style bit that nothing honours");
    (void)honoured;
}

QWidget* SafeOwner(CWnd* given, const CWnd* self)
{
    if (given) {
        QWidget* parent = WidgetOf(*given);
        return parent ? parent->window() : nullptr;
    }
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd && app->m_pMainWnd != self) {
        if (QWidget* main = WidgetOf(*app->m_pMainWnd))
            return main->window();
    }
    QWidget* active = QApplication::activeWindow();
    if (active && active->isVisible() && active->windowType() != Qt::Popup)
        return active;
    return nullptr;
}

QWidget* DialogImpl::OwnerWindow() const
{
    // A window of its own in the task bar stands alone unless its owner is named.
    if (!owner.m_pParent && (owner.Template().style & kDsAppWindow))
        return nullptr;
    return SafeOwner(owner.m_pParent, &owner);
}

void DialogImpl::Build()
{
    const DlgTemplate& tmpl = owner.Template();
    QWidget* parent = OwnerWindow();
    CheckTemplate(parent != nullptr);

    auto* dlg = new DialogWidget(*this, parent);
    widget = dlg;
    owner.Impl().widget = dlg;

    font = DialogFont(tmpl.fontFace, tmpl.pointSize);
    DialogBaseUnits(font, baseX, baseY);
    dlg->setFont(font);
    dlg->setWindowTitle(ToQString(tmpl.caption));
    dlg->setSizeGripEnabled(false);
    dlg->setAcceptDrops(acceptFiles);

    // An owned dialog is still a window of its own: the flags keep it one, and its owner
    // keeps it stacked above.
    Qt::WindowFlags flags = ((tmpl.style & kDsModalFrame) ? Qt::Dialog : Qt::Window) |
                            Qt::CustomizeWindowHint;
    // Without a caption there is no title bar to put a close button on; asking the toolkit
    // for one would bring the title bar back. The window menu stays reachable either way.
    if (!(tmpl.style & kDsCaption))
        flags |= Qt::FramelessWindowHint;
    else if (tmpl.style & kDsSysMenu)
        flags |= Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    else
        flags |= Qt::WindowTitleHint;
    dlg->setWindowFlags(flags);

    CRect client{0, 0, tmpl.cx, tmpl.cy};
    owner.MapDialogRect(client);
    dlg->setFixedSize(client.Width(), client.Height());

    std::vector<QWidget*> built;
    size_t groupStart = 0;
    for (const DlgControl& c : tmpl.controls) {
        std::unique_ptr<CWnd> wnd;
        QWidget* w = CreateControl(c, wnd);
        const int id = c.id;

        w->setObjectName(QString::number(id));
        w->setFont(font);
        const Qt::FocusPolicy focus = (c.style & kTabStop) ? Qt::StrongFocus
                                      : (c.kind == ControlKind::Static || c.kind == ControlKind::Icon ||
                                         c.kind == ControlKind::GroupBox || c.kind == ControlKind::ProgressBar)
                                          ? Qt::NoFocus
                                          : Qt::ClickFocus;
        w->setFocusPolicy(focus);
        if (auto* tabs = qobject_cast<QTabWidget*>(w))
            tabs->tabBar()->setFocusPolicy(focus);
        w->setAutoFillBackground(false);
        // Drops are the dialog's to take or refuse; an edit would otherwise paste a dropped
        // file's address as text.
        w->setAcceptDrops(false);
        if (qobject_cast<QAbstractButton*>(w))
            w->installEventFilter(dlg);

        CRect r{c.x, c.y, c.x + c.cx, c.y + c.cy};
        owner.MapDialogRect(r);
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            // The template's height takes in the opened list; the closed box is as high as
            // its font needs, and the list shows as many entries as the rest of the height.
            const int closed = std::max(QFontMetrics(font).height() + 8, combo->minimumSizeHint().height());
            const int entries = std::max(1, (r.Height() - closed) / std::max(1, QFontMetrics(font).height()));
            combo->setMaxVisibleItems(entries);
            r.bottom = r.top + closed;
        }
        w->setGeometry(r.left, r.top, r.Width(), r.Height());
        if (c.style & kDisabled)
            w->setEnabled(false);
        if (c.style & kHidden)
            w->hide();

        wnd->Impl().widget = w;
        wnd->Impl().id = id;
        controls[id] = std::move(wnd);
        if (c.style & kGroup)
            groupStart = built.size();
        creationOrder.push_back({w, groupStart, id});
        built.push_back(w);
    }

    // The control created first lies on top, the one created last (the tab control) behind
    // all others. Group boxes only frame the controls in them, so they lie
    // behind those controls, just above the tab controls.
    for (QWidget* w : built)
        w->lower();
    for (QWidget* w : built)
        if (w->testAttribute(Qt::WA_TransparentForMouseEvents))
            w->lower();
    for (QWidget* w : built)
        if (qobject_cast<QTabWidget*>(w))
            w->lower();

    InstallMenuKeys();
}
