#include "view/widgets/Windows1251Text.h"

#include <QByteArrayView>

#include "load/Windows1251.h"

namespace quillmere::view {

Windows1251Text::Windows1251Text() : m_decoder("windows-1251") {}

QString Windows1251Text::operator()(std::string_view bytes) {
    // Without a converter in the Qt build the core's own table still gives the right characters.
    if (!m_decoder.isValid()) return QString::fromStdString(load::Windows1251ToUtf8(bytes));
    return m_decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

}  // namespace quillmere::view
