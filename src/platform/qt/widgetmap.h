// Where the program's windows show their buttons, for the real runs of the program that press them
// with the pointer. Off unless the environment names a file in TACKWISP_WIDGET_MAP: then every time
// a window (a dialog, a message box, a page of it) is shown, moved or resized, a block of lines is
// added to that file, one line a thing that can be clicked:
//
//   <window title> TAB * TAB <class of the window> TAB <x> <y> <width> <height>     (the block's head)
//   <window title> TAB <object name or -> TAB <text> TAB <x> <y> <width> <height>
//
// The buttons are every visible button of the window (push, radio and check buttons), its tab bars'
// tabs ("tab") and the rows of its lists (the list's object name, the first column's text). Places
// are in screen pixels; the latest block of a window tells where its things are now.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <vector>

class QWidget;

namespace tw {

class WidgetMap : public QObject {
public:
    explicit WidgetMap(QString file, QObject* parent = nullptr);

    // A map for the whole application when TACKWISP_WIDGET_MAP names a file; none otherwise.
    static WidgetMap* installFromEnvironment(QObject* application);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void writePending();
    QString describe(QWidget* window) const;

    QString file_;
    std::vector<QPointer<QWidget>> pending_;
    bool scheduled_ = false;
};

}  // namespace tw
