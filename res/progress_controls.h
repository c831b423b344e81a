// The bar row that both programs' progress windows share (dialog 3000 of
// ZARIZED.EXE, dialog 200 of the extractor), laid out once in
// progress_bar.rc and worked by src/common/progress_dialog.cpp.
#ifndef ZARIZED_PROGRESS_CONTROLS_H
#define ZARIZED_PROGRESS_CONTROLS_H

// The bar's filled part: a static painted in the highlight colour, whose
// width is set as the work goes on. It lies above the frame.
#define IDC_PROGRESS_FILL 102
// The bar's sunken frame, clipped where the filled part lies over it.
#define IDC_PROGRESS_FRAME 103
// The short line beside the bar ("Disk 3 of 15").
#define IDC_PROGRESS_LINE 104

#endif
