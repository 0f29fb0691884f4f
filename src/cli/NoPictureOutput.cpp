// A build without Qt: no pictures of the drawing.
#include "cli/ToolInputs.h"

namespace tabrova::cli {

bool picturesSupported() { return false; }

bool isPictureName(const std::filesystem::path&) { return false; }

void writePicture(const std::vector<DrawnEntity>&, const std::filesystem::path&) {}

}  // namespace tabrova::cli
