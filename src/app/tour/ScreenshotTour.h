// Pictures of the three tabs, the grid's pop-up menu, the two dialogs, the recent workbooks'
// menu, the file dialog, a question box, the status line at the window's smallest and the whole
// screen with the window where the settings put it, for looking at the window without sitting in
// front of it: after start-up (and the read, when a workbook was opened) each is shown in turn and
// saved as a PNG file, then the window closes. A tool of its own
// (tabrova-screenshot-tour), not part of the program users run.
#pragma once

#include <QString>

namespace tabrova::app {

class TForm1;

// Schedules the tour, saving the pictures into `folder`.
void scheduleScreenshotTour(TForm1& form, const QString& folder, bool readFirst);

}  // namespace tabrova::app
