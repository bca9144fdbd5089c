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
};

// Control styles that change behaviour or looks.
enum ControlStyle : unsigned {
    kTabStop = 1u << 0,
    kGroup = 1u << 1,
    kDisabled = 1u << 2,
    kHidden = 1u << 3,
    kRightAlign = 1u << 4,
    kNumber = 1u << 5,       // an edit that accepts digits only
    kReadOnly = 1u << 6,
    kMultiline = 1u << 7,
    kAutoHScroll = 1u << 8,
    kAutoVScroll = 1u << 9,
    kHScroll = 1u << 10,
    kTransparent = 1u << 11,
};

// Dialog styles.
enum DialogStyle : unsigned {
    kDsCaption = 1u << 0,     // title bar
    kDsSysMenu = 1u << 1,     // window menu and close button
    kDsModalFrame = 1u << 2,
    kDsAppWindow = 1u << 3,   // shown in the task bar
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
