#pragma once
// Private to the dialog library: ui/ and app/ talk to windows only through the public headers.
// Tests that drive the real widgets opt in with TARVEX_DIALOG_PRIVATE.
#ifndef TARVEX_DIALOG_PRIVATE
#error "private header of the dialog library"
#endif
// A progress bar that behaves like the common control: a range (0..100 at first), a position
// kept inside it, and a busy mode that can be left again without losing either. The toolkit's
// bar knows busy only as an empty range, which would throw the range and position away, and it
// shows an empty range as busy, where the common control shows an empty bar.

#include <QProgressBar>

class ProgressBarWidget : public QProgressBar {
public:
    explicit ProgressBarWidget(QWidget* parent);

    // A reversed range counts as empty.
    void SetKeptRange(int lower, int upper);
    void SetKeptPos(int pos);
    void SetBusy(bool busy);

    int KeptLower() const { return m_lower; }
    int KeptUpper() const { return m_upper; }
    int KeptPos() const { return m_pos; }
    bool IsBusy() const { return m_busy; }

private:
    void Present();

    int m_lower = 0;
    int m_upper = 100;
    int m_pos = 0;
    bool m_busy = false;
};
