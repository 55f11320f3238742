#include "view/widgets/Windows1251Text.h"

#include "load/Windows1251.h"

namespace quillmere::view {

QString FromWindows1251(std::string_view bytes) { return QString::fromStdString(load::Windows1251ToUtf8(bytes)); }

}  // namespace quillmere::view
