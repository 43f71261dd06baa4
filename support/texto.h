// Text from columns without a declared character set. The back-offices
// that leave columns as CHARACTER SET NONE write them from Windows in
// code page 1252, and Firebird hands those bytes over untouched; the
// clouds must only ever receive UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace borvan {

// Returns true iff ATexto is well-formed UTF-8: no stray continuation
// bytes, no truncated sequences, no overlong forms, no UTF-16 surrogates
// (U+D800..U+DFFF) and nothing beyond U+10FFFF. The empty text is valid.
bool EhUtf8Valido(std::string_view ATexto);

// ATexto read as Windows-1252 and written as UTF-8. Bytes below 0x80 stay
// as they are; 0xA0..0xFF are U+00A0..U+00FF; 0x80..0x9F are the 1252
// letters and signs (0x80 is U+20AC, 0x99 is U+2122, ...). The five bytes
// that 1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become U+FFFD:
// they stand for no character, and an invisible C1 control would only
// hide that. The result is always valid UTF-8.
std::string Windows1252ParaUtf8(std::string_view ATexto);

// The text of a column without character set, as UTF-8: a value that is
// already valid UTF-8 is kept as it is (a database written by a UTF-8
// client, or plain ASCII); any other value is read, whole, as
// Windows-1252.
std::string TextoSemCharsetParaUtf8(std::string_view ATexto);

}  // namespace borvan
