#pragma once

#include <QString>
#include <QStringDecoder>
#include <string_view>

namespace quillmere::view {

// Turns the core's Windows-1251 texts into display text. One decoder is reused for many texts;
// Windows-1251 has no shift state, so texts never affect each other.
class Windows1251Text {
public:
    Windows1251Text();

    // The text of `bytes`; byte B9 becomes the numero sign.
    [[nodiscard]] QString operator()(std::string_view bytes);

private:
    QStringDecoder m_decoder;
};

}  // namespace quillmere::view
