// The controls a dialog's template asks for: the widget of each kind, its look from the
// template's style bits, and the notifications it sends to the dialog's commands.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>

#include "platform/dialog/private/DialogImpl_p.h"
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

}  // namespace

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
