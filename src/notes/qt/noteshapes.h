// The shapes and the face of the note windows: the shape files found at start-up (each file read once,
// not at every resize), the outline cut from a window and the place of its text, the size that
// follows the text (noteshapes.cpp); the background picture and the colours of a note's colour class
// (noteface.cpp).
#pragma once

#include "model/state.h"
#include "window/autosize.h"
#include "window/qt/notehost.h"

#include <map>
#include <optional>
#include <vector>

namespace tw {

class frmPinly;

class NoteShapes final : public NoteShapeHost {
public:
    explicit NoteShapes(AppState& st) : st_(st) {}
    NoteShapes(const NoteShapes&) = delete;
    NoteShapes& operator=(const NoteShapes&) = delete;

    // Reads the shape files beside the program (start-up).
    void loadShapeCatalogue();

    // ---- the menu's shape entries ----
    const std::vector<ShapeEntry>& shapeCatalogue() const override { return shapes_; }
    void setShape(frmPinly* w, int i) override;
    void toggleAutoSize(frmPinly* w) override;

    // The outline and text place of the window's shape, after every resize.
    void applyShape(frmPinly& w);
    // Resizes the window to its text when the note follows its text (after editing).
    void autoSizeIfOn(frmPinly& w);
    void autoSize(frmPinly& w);
    // What the window's text needs: its rectangle for it, or nothing when the text needs more than
    // the screen.
    std::optional<AutoSizeResult> sizedToText(frmPinly& w);

    // ---- the face (noteface.cpp) ----
    // The note's background picture and the text colour over it (at the focus and after the settings).
    void refreshBackground(frmPinly& w);
    // The colours of the note's colour class on its window.
    void colourByClass(frmPinly& w, int index);

private:
    const ShapeData* shapeData(int number);

    AppState& st_;
    std::vector<ShapeEntry> shapes_;
    std::map<int, ShapeData> shapeFiles_;   // the shape files as read, by number
    bool applyingShape_ = false;
};

}  // namespace tw
