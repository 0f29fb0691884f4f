// Pictures of the drawing through the Qt painter.
#include "cli/ToolInputs.h"
#include "preview/DrawingPainter.h"

namespace tabrova::cli {

bool isPictureName(const std::filesystem::path& path) { return preview::isPictureFile(path); }

void writePicture(const std::vector<DrawnEntity>& entities, const std::filesystem::path& path) {
    preview::writeDrawingPicture(entities, path);
}

}  // namespace tabrova::cli
