// The message map and the commands: a user's action reaches the first entry for it, the
// derived class's map before its base's, and otherwise the default commands 1 and 2.

#include "platform/dialog/private/DialogImpl_p.h"

void CDialog::OnCommand(Notify code, int id)
{
    for (const MessageMap* map = &GetMessageMap(); map; map = map->base) {
        for (const MessageMapEntry& entry : map->entries) {
            if (entry.code == code && id >= entry.firstId && id <= entry.lastId) {
                entry.handler(*this, id);
                return;
            }
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

void CDialog::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

const MessageMap& CDialog::GetMessageMap() const
{
    static const MessageMap map{nullptr, {}};
    return map;
}
