// The look of the two file dialogs: the italic title label and the optional background bitmap
// stretched over the dialog, which both show, and the Open dialog's column of labels with one
// left edge.
#pragma once

#include "framework/dialog.h"

#include <initializer_list>
#include <string_view>

namespace file_dialogs {

// Puts the title into its label and draws it in an italic version of the label's font.
void ShowTitle(framework::Dialog& dialog, int labelId, std::u16string_view title);
// Moves the labels to the left edge of the leftmost of them, so that a column reads as one.
void AlignLeftEdges(framework::Dialog& dialog, std::initializer_list<int> labelIds);
// With a bitmap id other than -1, that bitmap stretched to the size becomes the background.
void StretchBackground(framework::Dialog& dialog, int bitmap, int width, int height);

} // namespace file_dialogs
