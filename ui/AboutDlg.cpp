#include "ui/AboutDlg.h"

#include "ui/Language.h"
#include "ui/Resource.h"
#include "ui/UiText.h"

namespace {

using K = ControlKind;

constexpr DlgControl kControls[] = {
    {IDC_STATIC, K::Icon, 11, 17, 20, 20, 0, u"", IDR_MAINFRAME},
    {IDC_ABOUT_VERSION, K::Static, 40, 10, 119, 8, kGroup, u"Vantrel Tarvex 1.0 版"},
    {IDC_STATIC, K::Static, 40, 25, 119, 8, kGroup, u"Copyright (C) Vantrel"},
    {IDOK, K::DefPushButton, 178, 7, 50, 16, kTabStop | kGroup, u"确定"},
};

constexpr DlgTemplate kTemplate{
    235, 55, kDsCaption | kDsSysMenu | kDsModalFrame, u"关于 Vantrel Tarvex", u"宋体", 9, kControls,
};

static_assert(TemplateIsHonoured(kTemplate), "every style bit of the template is honoured");

}  // namespace

const DlgTemplate& AboutDialogTemplate()
{
    return kTemplate;
}

CAboutDlg::CAboutDlg() : CDialog(kTemplate) {}

bool CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    GetDlgItem(IDC_ABOUT_VERSION)->SetWindowText(VersionTitle());
    SetWindowText(UiText(kTextAboutCaption));
    return true;
}
