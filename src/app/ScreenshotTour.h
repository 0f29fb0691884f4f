// Pictures of the three tabs, the grid's pop-up menu and the two dialogs, for looking at the
// window without sitting in front of it: after start-up (and the read, when a workbook was opened)
// each is shown in turn and saved as a PNG file, then the program ends. Driven by the environment
// variable TABROVA_SCREENSHOT_DIR.
#pragma once

#include <QString>

namespace tabrova::app {

class TForm1;

// Schedules the tour when TABROVA_SCREENSHOT_DIR is set; returns whether it did.
bool scheduleScreenshotTour(TForm1& form, bool readFirst);

}  // namespace tabrova::app
