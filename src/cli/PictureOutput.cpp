// Pictures of the drawing through the Qt painter.
#include "cli/ToolInputs.h"
#include "preview/DrawingPainter.h"

namespace tabrova::cli {

bool isPictureName(const std::filesystem::path& path) { return preview::isPictureFile(path); }

std::string pictureBytes(const std::vector<DrawnEntity>& entities,
                         const std::filesystem::path& path) {
    return preview::drawingPictureBytes(entities, path);
}

}  // namespace tabrova::cli
