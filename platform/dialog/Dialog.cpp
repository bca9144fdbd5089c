// A dialog's controls: looking them up by id and kind, ranges of them, their labels, and the
// data exchange with the members.

#include <QComboBox>
#include <QLabel>

#include <cassert>

#include "platform/dialog/private/DialogImpl_p.h"

Q_LOGGING_CATEGORY(lcDialog, "tarvex.dialog")

namespace {

template <class T>
struct Kind;
template <>
struct Kind<CWnd> {
    static constexpr const char* name = "a control";
};
template <>
struct Kind<CEdit> {
    static constexpr const char* name = "an edit";
};
template <>
struct Kind<CComboBox> {
    static constexpr const char* name = "a combo box";
};
template <>
struct Kind<CButton> {
    static constexpr const char* name = "a button";
};
template <>
struct Kind<CTabCtrl> {
    static constexpr const char* name = "a tab control";
};

template <>
struct Kind<CProgressCtrl> {
    static constexpr const char* name = "a progress bar";
};

// What a caller gets for a control that is not there: no window behind it, so every
// operation does nothing and every getter answers empty.
template <class T>
T* StandIn()
{
    static T standIn;
    return &standIn;
}

template <class T>
T* Lookup(const DialogImpl& d, int id)
{
    if (T* control = dynamic_cast<T*>(d.Find(id)))
        return control;
    d.ReportBadControl(id, Kind<T>::name);
    return StandIn<T>();
}

}  // namespace

CDialog::CDialog(const DlgTemplate& tmpl, CWnd* pParent)
    : m_template(tmpl), m_pParent(pParent), m_pDlgImpl(std::make_unique<DialogImpl>(*this))
{
}

CDialog::~CDialog()
{
    m_pDlgImpl->posted.reset();
    m_pDlgImpl->DestroyWindow();
}

CWnd* DialogImpl::Find(int id) const
{
    const auto it = controls.find(id);
    return it == controls.end() ? nullptr : it->second.get();
}

void DialogImpl::ReportBadControl(int id, const char* kind) const
{
    const std::u16string_view caption = owner.Template().caption;
    const QString dialog = caption.empty() ? QStringLiteral("dialog without caption")
                                           : QStringLiteral("dialog \"%1\"").arg(ToQString(caption));
    const QString problem = !widget       ? QStringLiteral("the dialog has no window")
                            : Find(id) ? QStringLiteral("it is of another kind")
                                       : QStringLiteral("there is no such control");
    qCWarning(lcDialog).noquote() << QStringLiteral("%1: control %2 asked for as %3, but %4")
                                         .arg(dialog)
                                         .arg(id)
                                         .arg(QLatin1String(kind), problem);
    assert(!"a dialog was asked for a control it does not have");
}

CWnd* CDialog::GetDlgItem(int id)
{
    return Lookup<CWnd>(*m_pDlgImpl, id);
}

const CWnd* CDialog::GetDlgItem(int id) const
{
    return Lookup<CWnd>(*m_pDlgImpl, id);
}

CEdit* CDialog::GetEdit(int id)
{
    return Lookup<CEdit>(*m_pDlgImpl, id);
}

const CEdit* CDialog::GetEdit(int id) const
{
    return Lookup<CEdit>(*m_pDlgImpl, id);
}

CComboBox* CDialog::GetComboBox(int id)
{
    return Lookup<CComboBox>(*m_pDlgImpl, id);
}

const CComboBox* CDialog::GetComboBox(int id) const
{
    return Lookup<CComboBox>(*m_pDlgImpl, id);
}

CButton* CDialog::GetButton(int id)
{
    return Lookup<CButton>(*m_pDlgImpl, id);
}

const CButton* CDialog::GetButton(int id) const
{
    return Lookup<CButton>(*m_pDlgImpl, id);
}

CTabCtrl* CDialog::GetTabCtrl(int id)
{
    return Lookup<CTabCtrl>(*m_pDlgImpl, id);
}

const CTabCtrl* CDialog::GetTabCtrl(int id) const
{
    return Lookup<CTabCtrl>(*m_pDlgImpl, id);
}

CProgressCtrl* CDialog::GetProgressCtrl(int id)
{
    return Lookup<CProgressCtrl>(*m_pDlgImpl, id);
}

const CProgressCtrl* CDialog::GetProgressCtrl(int id) const
{
    return Lookup<CProgressCtrl>(*m_pDlgImpl, id);
}

void CDialog::EnableDlgItems(int firstId, int lastId, bool enable)
{
    const DialogImpl& d = *m_pDlgImpl;
    // The ends are ids the caller names, so they must be there; the ids between need not.
    for (int end : {firstId, lastId})
        if (!d.Find(end))
            d.ReportBadControl(end, "the end of a range");
    for (auto it = d.controls.lower_bound(firstId); it != d.controls.end() && it->first <= lastId; ++it)
        it->second->EnableWindow(enable);
}

void CDialog::SetLabel(int controlId, int labelId)
{
    CWnd* control = GetDlgItem(controlId);
    CWnd* label = GetDlgItem(labelId);
    QWidget* controlWidget = WidgetOf(*control);
    if (!controlWidget || !WidgetOf(*label))
        return;
    auto* text = qobject_cast<QLabel*>(WidgetOf(*label));
    if (text && qobject_cast<QComboBox*>(controlWidget))
        text->setBuddy(controlWidget);
    label->Impl().named.append(controlWidget);
    RefreshAccessibleNames(label->Impl());
}

void CDialog::MapDialogRect(CRect& rect) const
{
    int baseX = m_pDlgImpl->baseX;
    int baseY = m_pDlgImpl->baseY;
    if (baseX == 0)
        DialogBaseUnits(DialogFont(m_template.fontFace, m_template.pointSize), baseX, baseY);
    rect.left = MulDiv(rect.left, baseX, 4);
    rect.right = MulDiv(rect.right, baseX, 4);
    rect.top = MulDiv(rect.top, baseY, 8);
    rect.bottom = MulDiv(rect.bottom, baseY, 8);
}

bool CDialog::UpdateData(bool bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.Failed();
}

bool CDialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

void CDialog::DoDataExchange(CDataExchange*) {}
