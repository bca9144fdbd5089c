#include "platform/dialog/Dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>

#include "platform/dialog/private/GroupBoxWidget_p.h"
#include "platform/dialog/private/WidgetAccess_p.h"

namespace {

int MulDiv(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

}  // namespace

// The window of a dialog. The dialog manager's keys end up as the dialog's commands: Esc
// and the close button as command 2, Enter as the default button's click.
class DialogWidget : public QDialog {
public:
    DialogWidget(DialogImpl& impl, QWidget* parent) : QDialog(parent), m_impl(impl) {}

    void reject() override { m_impl.owner.OnCommand(Notify::Clicked, IDCANCEL); }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        m_impl.owner.OnSysCommand(SC_CLOSE, 0);
    }

    void contextMenuEvent(QContextMenuEvent* event) override
    {
        m_impl.ShowSystemMenu(event->globalPos());
    }

private:
    DialogImpl& m_impl;
};

// A check box that answers clicks anywhere in its rectangle, not only on its box and text.
class CheckBoxWidget : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

QFont DialogFont(std::u16string_view face, int pointSize)
{
    QFont font;
    if (face == u"宋体" || face == u"SimSun") {
        const QStringList cjk = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
        QString chosen;
        if (cjk.contains(QStringLiteral("SimSun"))) {
            chosen = QStringLiteral("SimSun");
        } else {
            for (const QString& family : cjk) {
                if (QFontDatabase::isFixedPitch(family))
                    continue;
                if (chosen.isEmpty())
                    chosen = family;
                if (family.contains(QLatin1String("Sans")) || family.contains(QLatin1String("Hei"))) {
                    chosen = family;
                    break;
                }
            }
        }
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

QWidget* DialogImpl::CreateControl(const DlgControl& c, std::unique_ptr<CWnd>& wnd)
{
    DialogWidget* dlg = widget;
    QWidget* w = nullptr;
    const int id = c.id;
    switch (c.kind) {
    case ControlKind::Static: {
        auto* label = new QLabel(ToQString(c.text), dlg);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(((c.style & kRightAlign) ? Qt::AlignRight : Qt::AlignLeft) |
                            Qt::AlignTop);
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
        wnd = std::make_unique<CWnd>();
        break;
    }
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        auto* button = new QPushButton(ToQString(c.text), dlg);
        button->setAutoDefault(true);
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
        CWnd* raw = wnd.get();
        QObject::connect(tabs, &QTabWidget::currentChanged, dlg, [this, id, raw] {
            if (!raw->Impl().inCode)
                owner.OnCommand(Notify::TabSelChange, id);
        });
        w = tabs;
        break;
    }
    }
    return w;
}

void DialogImpl::Build()
{
    const DlgTemplate& tmpl = owner.Template();
    QWidget* parent = owner.m_pParent ? WidgetOf(*owner.m_pParent) : nullptr;
    auto* dlg = new DialogWidget(*this, parent);
    widget = dlg;
    owner.Impl().widget = dlg;

    font = DialogFont(tmpl.fontFace, tmpl.pointSize);
    DialogBaseUnits(font, baseX, baseY);
    dlg->setFont(font);
    dlg->setWindowTitle(ToQString(tmpl.caption));
    dlg->setSizeGripEnabled(false);

    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
    if (tmpl.style & kDsCaption)
        flags |= Qt::WindowTitleHint;
    else
        flags |= Qt::FramelessWindowHint;
    if (tmpl.style & kDsSysMenu)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    dlg->setWindowFlags(flags);

    CRect client{0, 0, tmpl.cx, tmpl.cy};
    owner.MapDialogRect(client);
    dlg->setFixedSize(client.Width(), client.Height());

    std::vector<QWidget*> built;
    for (const DlgControl& c : tmpl.controls) {
        std::unique_ptr<CWnd> wnd;
        QWidget* w = CreateControl(c, wnd);
        const int id = c.id;

        w->setObjectName(QString::number(id));
        w->setFont(font);
        const Qt::FocusPolicy focus = (c.style & kTabStop) ? Qt::StrongFocus
                                      : (c.kind == ControlKind::Static || c.kind == ControlKind::Icon ||
                                         c.kind == ControlKind::GroupBox)
                                          ? Qt::NoFocus
                                          : Qt::ClickFocus;
        w->setFocusPolicy(focus);
        if (auto* tabs = qobject_cast<QTabWidget*>(w))
            tabs->tabBar()->setFocusPolicy(focus);
        w->setAutoFillBackground(false);

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

    for (QKeySequence keys : {QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)}) {
        auto* shortcut = new QShortcut(keys, dlg);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, dlg, [this] {
            QWidget* focus = QApplication::focusWidget();
            const QWidget* anchor = focus && widget->isAncestorOf(focus) ? focus : widget.data();
            ShowSystemMenu(anchor->mapToGlobal(QPoint(0, anchor->height())));
        });
    }
}

void DialogImpl::ShowSystemMenu(const QPoint& globalPos)
{
    if (systemMenu.Items().empty() || !widget)
        return;
    QMenu menu(widget);
    menu.setObjectName(QStringLiteral("systemMenu"));
    for (const CMenu::Item& item : systemMenu.Items()) {
        if (item.separator) {
            menu.addSeparator();
        } else {
            QAction* action = menu.addAction(ToQString(item.text));
            action->setData(item.id);
        }
    }
    if (QAction* chosen = menu.exec(globalPos))
        owner.OnSysCommand(chosen->data().toUInt(), 0);
}

CDialog::CDialog(const DlgTemplate& tmpl, CWnd* pParent)
    : m_template(tmpl), m_pParent(pParent), m_pDlgImpl(std::make_unique<DialogImpl>(*this))
{
}

CDialog::~CDialog()
{
    m_pDlgImpl->controls.clear();
    delete m_pDlgImpl->widget.data();
}

bool CDialog::Create()
{
    if (m_pDlgImpl->created)
        return true;
    m_pDlgImpl->Build();
    m_pDlgImpl->created = true;
    OnInitDialog();
    m_pDlgImpl->widget->show();
    return true;
}

std::intptr_t CDialog::DoModal()
{
    if (!m_pDlgImpl->created) {
        m_pDlgImpl->Build();
        m_pDlgImpl->created = true;
        OnInitDialog();
    }
    DialogWidget* dlg = m_pDlgImpl->widget;
    m_pDlgImpl->inModalRun = true;
    m_pDlgImpl->result = IDCANCEL;
    dlg->setWindowModality(Qt::ApplicationModal);
    dlg->exec();
    m_pDlgImpl->inModalRun = false;
    return m_pDlgImpl->result;
}

void CDialog::EndDialog(int nResult)
{
    m_pDlgImpl->result = nResult;
    if (!m_pDlgImpl->widget)
        return;
    if (m_pDlgImpl->inModalRun)
        m_pDlgImpl->widget->done(nResult);
    else
        m_pDlgImpl->widget->hide();
}

bool CDialog::UpdateData(bool bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.Failed();
}

CWnd* CDialog::GetDlgItem(int id) const
{
    const auto it = m_pDlgImpl->controls.find(id);
    return it == m_pDlgImpl->controls.end() ? nullptr : it->second.get();
}

CComboBox* CDialog::GetComboBox(int id) const
{
    return dynamic_cast<CComboBox*>(GetDlgItem(id));
}

CButton* CDialog::GetButton(int id) const
{
    return dynamic_cast<CButton*>(GetDlgItem(id));
}

CTabCtrl* CDialog::GetTabCtrl(int id) const
{
    return dynamic_cast<CTabCtrl*>(GetDlgItem(id));
}

CMenu* CDialog::GetSystemMenu(bool bRevert)
{
    if (bRevert) {
        m_pDlgImpl->systemMenu = CMenu();
        return nullptr;
    }
    return &m_pDlgImpl->systemMenu;
}

void CDialog::SetLabel(int controlId, int labelId)
{
    CWnd* control = GetDlgItem(controlId);
    CWnd* label = GetDlgItem(labelId);
    if (!control || !label)
        return;
    auto* text = qobject_cast<QLabel*>(WidgetOf(*label));
    if (text && qobject_cast<QComboBox*>(WidgetOf(*control)))
        text->setBuddy(WidgetOf(*control));
    label->Impl().named.append(WidgetOf(*control));
    RefreshAccessibleNames(label->Impl());
}

void CDialog::MapDialogRect(CRect& rect) const
{
    int baseX = m_pDlgImpl->baseX;
    int baseY = m_pDlgImpl->baseY;
    if (!m_pDlgImpl->created && baseX == 0)
        DialogBaseUnits(DialogFont(m_template.fontFace, m_template.pointSize), baseX, baseY);
    rect.left = MulDiv(rect.left, baseX, 4);
    rect.right = MulDiv(rect.right, baseX, 4);
    rect.top = MulDiv(rect.top, baseY, 8);
    rect.bottom = MulDiv(rect.bottom, baseY, 8);
}

void CDialog::OnCommand(Notify code, int id)
{
    for (const MessageMapEntry& entry : GetMessageMap()) {
        if (entry.code == code && id >= entry.firstId && id <= entry.lastId) {
            entry.handler(*this, id);
            return;
        }
    }
    if (code != Notify::Clicked)
        return;
    if (id == IDOK)
        OnOK();
    else if (id == IDCANCEL)
        OnCancel();
}

void CDialog::OnSysCommand(unsigned nID, std::intptr_t)
{
    if ((nID & 0xFFF0) == SC_CLOSE)
        OnCommand(Notify::Clicked, IDCANCEL);
}

bool CDialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

const std::vector<MessageMapEntry>& CDialog::GetMessageMap() const
{
    static const std::vector<MessageMapEntry> none;
    return none;
}
