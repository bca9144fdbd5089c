#pragma once
// Private to the dialog library: ui/ and app/ talk to windows only through the public headers.
// Tests that drive the real widgets opt in with TARVEX_DIALOG_PRIVATE.
#ifndef TARVEX_DIALOG_PRIVATE
#error "private header of the dialog library"
#endif
// A group box drawn the way the dialog manager draws one: the caption sits on the frame's top
// edge one character in, and the caption's leading blanks each take one average character
// width, so a control placed over them (a check box on the edge) covers blank room whatever
// the font's own blank width is.

#include <QWidget>

class GroupBoxWidget : public QWidget {
public:
    GroupBoxWidget(int charWidth, QWidget* parent);

    void setTitle(const QString& title);
    QString title() const { return m_title; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_charWidth;
    QString m_title;
};
