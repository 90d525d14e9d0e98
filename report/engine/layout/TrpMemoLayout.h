// TrpMemoLayout: measuring, splitting and drawing of a text object
// (TrpMemoView); the object's CalcHeight, MinHeight, RemainHeight and Draw
// come here.
//
// Layout always runs at scale 1 in the layout font (TrpReportFonts), on the
// shared scratch surface; drawing scales the result. So a text breaks into
// the same lines at every zoom and on the printer.
//
// Measuring runs the object's script and prepares its evaluated text once
// (layout mode Measured) and keeps the laid-out lines; printing a split
// object then hands out those lines part by part (mode SplitPart), each
// part the lines that fit its height, until none are left.
#pragma once

#include "TrpObjectCodes.h"
#include "TrpTextLayout.h"

class QPainter;

namespace report {

class TrpMemoView;

class TrpMemoLayout {
public:
    // Lays text out for view at scale 1: sets the view's LineHeight and the
    // state's text height and already-wrapped flag.
    static TrpLaidOutText LayOut(TrpMemoView& view, const TrpStrings& text, bool alreadyWrapped);

    // The evaluated text of one printing: the memo copied to ResultMemo,
    // the report's "OnBeforePrint" event, memo expansion unless the event
    // changed the text, then the BLOB binding.
    static void PrepareText(TrpMemoView& view);

    // CalcHeight: the height the object's evaluated text needs (0 when the
    // object is invisible); keeps the laid-out lines.
    static int Measure(TrpMemoView& view);
    // RemainHeight: the kept lines times the line height.
    static int RemainHeight(const TrpMemoView& view);

    // How many of the kept lines fit into a part of partHeight pixels.
    static int LinesFitting(const TrpMemoView& view, int partHeight);
    // Moves the kept lines that fit into partHeight into ResultMemo (with a
    // closing paragraph-mark line when they carry no mark, so that the
    // part is drawn as already wrapped) and switches to mode SplitPart.
    // A part takes at least one line while any is left. Returns the number
    // of lines taken.
    static int TakePart(TrpMemoView& view, int partHeight);

    // The width the whole evaluated text needs on one line per text line
    // (with frame and insets), as "AutoWidth" and "CALCWIDTH" take it; 0
    // without text.
    static int NeededWidth(const TrpMemoView& view);
    // "AutoWidth": sets the width (rotated: the height) the whole evaluated
    // text needs; a right-aligned object keeps its right edge.
    static void ApplyAutoWidth(TrpMemoView& view);

    // Draw: lays out the evaluated text (its lines replace ResultMemo) and
    // draws fill, frame, underlines and the lines at the view's scale.
    static void Draw(TrpMemoView& view, QPainter& canvas);
};

} // namespace report
