// Building a dialog's window from its template: the frame, the font and its units, the
// controls in creation order, their stacking and their groups.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabBar>
#include <QTabWidget>

#include <cassert>

#include "platform/dialog/WinApp.h"
#include "platform/dialog/private/DialogImpl_p.h"
#include "platform/dialog/private/FontChoice_p.h"
#include "platform/dialog/private/GroupBoxWidget_p.h"
#include "platform/dialog/private/LiveTextWidget_p.h"
#include "platform/dialog/private/ProgressBarWidget_p.h"

namespace {

// A check box that answers clicks anywhere in its rectangle, not only on its box and text.
class CheckBoxWidget : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

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

QWidget* DialogImpl::CreateControl(const DlgControl& c, std::unique_ptr<CWnd>& wnd)
{
    DialogWidget* dlg = widget;
    QWidget* w = nullptr;
    const int id = c.id;
    switch (c.kind) {
    case ControlKind::Static: {
        auto* label = (c.style & kLive) ? new LiveTextWidget(ToQString(c.text), dlg)
                                        : new QLabel(ToQString(c.text), dlg);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(((c.style & kRightAlign) ? Qt::AlignRight : Qt::AlignLeft) |
                            Qt::AlignTop);
        // The dialog manager's static text breaks between words where its box has room for
        // more than one line; a one-line box keeps its text on one line.
        label->setWordWrap(c.cy >= 16);
        w = label;
        wnd = std::make_unique<CWnd>();
        break;
    }
    case ControlKind::Icon: {
        auto* label = new QLabel(dlg);
        const HICON icon = LoadIcon(c.image);
        if (icon)
            label->setPixmap(icon->icon.pixmap(32, 32));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        w = label;
        wnd = std::make_unique<CWnd>();
        break;
    }
    case ControlKind::Edit: {
        if (c.style & kMultiline) {
            // A multi-line edit always scrolls down as lines are added, which is what
            // kAutoVScroll asks for.
            auto* edit = new QPlainTextEdit(ToQString(c.text), dlg);
            edit->setReadOnly(c.style & kReadOnly);
            edit->setLineWrapMode((c.style & (kHScroll | kAutoHScroll)) ? QPlainTextEdit::NoWrap
                                                                        : QPlainTextEdit::WidgetWidth);
            edit->setHorizontalScrollBarPolicy((c.style & kHScroll) ? Qt::ScrollBarAlwaysOn
                                                                    : Qt::ScrollBarAsNeeded);
            w = edit;
        } else {
            auto* edit = new QLineEdit(ToQString(c.text), dlg);
            edit->setReadOnly(c.style & kReadOnly);
            if (c.style & kNumber)
                edit->setValidator(new QRegularExpressionValidator(
                    QRegularExpression(QStringLiteral("[0-9]*")), edit));
            QObject::connect(edit, &QLineEdit::textEdited, dlg,
                             [this, id] { owner.OnCommand(Notify::EditChange, id); });
            w = edit;
        }
        wnd = std::make_unique<CEdit>();
        break;
    }
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        auto* button = new QPushButton(ToQString(c.text), dlg);
        // A focused button takes Enter as the dialog manager's do, unless it is one whose
        // press must never come by accident.
        button->setAutoDefault(!(c.style & kNoEnter));
        button->setDefault(c.kind == ControlKind::DefPushButton);
        QObject::connect(button, &QPushButton::clicked, dlg,
                         [this, id] { owner.OnCommand(Notify::Clicked, id); });
        w = button;
        wnd = std::make_unique<CButton>();
        break;
    }
    case ControlKind::AutoCheckBox: {
        auto* box = new CheckBoxWidget(ToQString(c.text), dlg);
        QObject::connect(box, &QCheckBox::clicked, dlg,
                         [this, id] { owner.OnCommand(Notify::Clicked, id); });
        w = box;
        wnd = std::make_unique<CButton>();
        break;
    }
    case ControlKind::GroupBox: {
        auto* group = new GroupBoxWidget(baseX, dlg);
        group->setTitle(ToQString(c.text));
        // Clicks go through a group box to what lies under it, as on the dialog manager.
        group->setAttribute(Qt::WA_TransparentForMouseEvents);
        w = group;
        wnd = std::make_unique<CWnd>();
        break;
    }
    case ControlKind::DropDownList: {
        auto* combo = new QComboBox(dlg);
        combo->setEditable(false);
        combo->setInsertPolicy(QComboBox::NoInsert);
        QObject::connect(combo, &QComboBox::activated, dlg,
                         [this, id] { owner.OnCommand(Notify::SelChange, id); });
        w = combo;
        wnd = std::make_unique<CComboBox>();
        break;
    }
    case ControlKind::Tab: {
        auto* tabs = new QTabWidget(dlg);
        wnd = std::make_unique<CTabCtrl>();
        const WndImpl* impl = &wnd->Impl();
        QObject::connect(tabs, &QTabWidget::currentChanged, dlg, [this, id, impl] {
            if (!impl->inCode)
                owner.OnCommand(Notify::TabSelChange, id);
        });
        w = tabs;
        break;
    }
    case ControlKind::ProgressBar:
        w = new ProgressBarWidget(dlg);
        wnd = std::make_unique<CProgressCtrl>();
        break;
    }
    return w;
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

bool DialogImpl::MoveFocusInGroup(QWidget* from, bool forward)
{
    size_t at = 0;
    while (at < creationOrder.size() && creationOrder[at].widget != from)
        ++at;
    if (at == creationOrder.size())
        return false;
    const size_t first = creationOrder[at].groupStart;
    size_t end = at + 1;
    while (end < creationOrder.size() && creationOrder[end].groupStart == first)
        ++end;
    const size_t size = end - first;
    for (size_t step = 1; step < size; ++step) {
        const size_t next = first + (at - first + (forward ? step : size - step)) % size;
        QWidget* candidate = creationOrder[next].widget;
        if (candidate && candidate->isVisible() && candidate->isEnabled() &&
            candidate->focusPolicy() != Qt::NoFocus) {
            candidate->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return false;
}

DialogWidget::DialogWidget(DialogImpl& impl, QWidget* parent) : QDialog(parent), m_impl(impl) {}

DialogWidget::~DialogWidget()
{
    m_impl.WindowGone();
}

void DialogWidget::reject()
{
    m_impl.owner.OnCommand(Notify::Clicked, IDCANCEL);
}

void DialogWidget::closeEvent(QCloseEvent* event)
{
    event->ignore();
    m_impl.owner.OnSysCommand(SC_CLOSE, 0);
}

void DialogWidget::contextMenuEvent(QContextMenuEvent* event)
{
    m_impl.ShowSystemMenu(event->globalPos());
}

bool DialogWidget::eventFilter(QObject* watched, QEvent* event)
{
    // Buttons and check boxes leave the arrow keys to the dialog, which keeps the focus
    // within the control's group instead of the toolkit's move along the whole tab order.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Left || key == Qt::Key_Up || key == Qt::Key_Right || key == Qt::Key_Down) {
            m_impl.MoveFocusInGroup(static_cast<QWidget*>(watched),
                                    key == Qt::Key_Right || key == Qt::Key_Down);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
