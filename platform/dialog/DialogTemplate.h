#pragma once
// A dialog template: the dialog's frame and its controls in creation order. Positions are in
// dialog units, which the dialog turns into pixels from its font's metrics.

#include <span>
#include <string_view>

enum class ControlKind {
    Static,
    Icon,          // a picture of an icon resource
    Edit,
    PushButton,
    DefPushButton,
    AutoCheckBox,
    GroupBox,
    DropDownList,  // a combo box whose entries can only be picked
    Tab,
    ProgressBar,
};

// Control styles that change behaviour or looks.
enum ControlStyle : unsigned {
    kTabStop = 1u << 0,
    kGroup = 1u << 1,        // starts a group: the arrow keys move the focus within a group
    kDisabled = 1u << 2,
    kHidden = 1u << 3,
    kRightAlign = 1u << 4,
    kNumber = 1u << 5,       // an edit that accepts digits only
    kReadOnly = 1u << 6,
    kMultiline = 1u << 7,
    kAutoHScroll = 1u << 8,
    kAutoVScroll = 1u << 9,  // a multi-line edit scrolls down as lines are added
    kHScroll = 1u << 10,
    kTransparent = 1u << 11, // paints nothing behind its own content
    kLive = 1u << 12,        // a static text that is a message: screen readers speak it as it shows
    kNoEnter = 1u << 13,     // a push button Enter never presses, focused or not: Space or a click only
};

// Dialog styles.
enum DialogStyle : unsigned {
    kDsCaption = 1u << 0,     // title bar
    kDsSysMenu = 1u << 1,     // window menu and close button
    kDsModalFrame = 1u << 2,  // a dialog's frame rather than a main window's
    kDsAppWindow = 1u << 3,   // shown in the task bar; only an unowned window can be
};

struct DlgControl {
    int id;
    ControlKind kind;
    int x, y, cx, cy;
    unsigned style;
    std::u16string_view text;
    int image = 0;  // icon resource of an Icon control
};

struct DlgTemplate {
    int cx, cy;
    unsigned style;
    std::u16string_view caption;
    std::u16string_view fontFace;
    int pointSize;
    std::span<const DlgControl> controls;
};

// The style bits a control of `kind` honours. A bit outside them would be dropped without a
// trace, so templates carrying one are refused: at compile time through TemplateIsHonoured,
// and again when a dialog is built.
constexpr unsigned HonouredStyles(ControlKind kind, unsigned style)
{
    constexpr unsigned common = kTabStop | kGroup | kDisabled | kHidden;
    switch (kind) {
    case ControlKind::Static:
        return common | kRightAlign | kTransparent | kLive;
    case ControlKind::Icon:
    case ControlKind::AutoCheckBox:
    case ControlKind::GroupBox:
        // These paint no background of their own in any case.
        return common | kTransparent;
    case ControlKind::Edit:
        return common | kReadOnly | kMultiline | kAutoHScroll |
               ((style & kMultiline) ? kAutoVScroll | kHScroll : kNumber);
    case ControlKind::PushButton:
        return common | kNoEnter;
    case ControlKind::DefPushButton:
    case ControlKind::DropDownList:
    case ControlKind::Tab:
        return common;
    case ControlKind::ProgressBar:
        // A progress bar never takes the focus, so a tab stop on it would mean nothing.
        return common & ~kTabStop;
    }
    return 0;
}

inline constexpr unsigned kHonouredDialogStyles = kDsCaption | kDsSysMenu | kDsModalFrame | kDsAppWindow;

constexpr unsigned UnhonouredStyles(const DlgControl& control)
{
    return control.style & ~HonouredStyles(control.kind, control.style);
}

constexpr bool TemplateIsHonoured(const DlgTemplate& tmpl)
{
    if (tmpl.style & ~kHonouredDialogStyles)
        return false;
    for (const DlgControl& control : tmpl.controls)
        if (UnhonouredStyles(control) != 0)
            return false;
    return true;
}
