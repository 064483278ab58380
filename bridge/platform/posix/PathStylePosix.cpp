#include "platform/PathStyle.h"

namespace ferrule {

const char kFolderSeparator = '/';
const char kExecutableSuffix[] = "";

} // namespace ferrule
