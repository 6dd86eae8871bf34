// Page 0 of the note-settings dialog (picSet(0)): the period of one note. The page shows what the
// rules of dialogs/periodpage.h decide and hands them every edit, spin and click; the dialog places
// it, prepares it with setRange and calls store when OK is pressed on it.
#pragma once

#include "dialogs/periodpage.h"
#include "model/state.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <cstdint>

class QLineEdit;
class QPushButton;
class QScrollBar;

namespace tw {

class PeriodPage : public QWidget {
    Q_OBJECT
public:
    // The page's size in pixels at 15 twips a pixel: the room above the dialog's OK and Cancel buttons
    // (the dialog is 5295 x 3195 twips; the buttons lie in the 30 pixels above the place where the
    // pages wait, 2760 twips down). The dialog sizes every page to that room.
    static constexpr int kWidth = 353;
    static constexpr int kHeight = 150;

    explicit PeriodPage(AppState& st, QWidget* parent = nullptr);

    // Prepares the page for note noteId (index of st.NoteTable); a note without a period starts on
    // today and gets UseTime at once. The start year is ready for typing (it has the focus, its text
    // selected) once the dialog shows.
    void setRange(int16_t noteId);
    // OK on this page: stores the period into the note, or removes it after "設定クリア". Returns
    // false when a field is not acceptable: the note is left as it was and that field gets the focus,
    // so the dialog should stay open.
    bool store();
    int16_t noteId() const { return fid_; }
    const PeriodPageState& state() const { return page_; }

    std::array<QLineEdit*, 6> txtInt{};    // start year, month, day; end year, month, day
    std::array<QLineEdit*, 2> txtTime{};   // start and end time "hh:mm"
    std::array<QScrollBar*, 8> vsc{};      // spin buttons of txtInt(0..5) and txtTime(0..1); up is +1
    QPushButton* btnRangClear = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    QLineEdit* edit(int field) const;
    int fieldOf(const QObject* o) const;
    NoteRecord* note();
    void apply();
    void fieldLeft(int field);
    void returnFocus(QLineEdit* e);
    void spin(int field, int value);
    void btnRangClear_Click();

    AppState& st_;
    int16_t fid_ = -1;
    PeriodPageState page_;
    QPointer<QLineEdit> returning_;   // a field that is getting the focus back
};

}  // namespace tw
