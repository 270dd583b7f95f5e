#pragma once
// Text that comes from a server (names, certificate fields) decoded only to be shown in a window.

#include <QString>
#include <string>

namespace visibletext {

// UTF-8 when the bytes are valid UTF-8, Latin-1 otherwise (every byte then shows as something).
// What would act on the layout instead of showing shows as a visible mark: C0, DEL, C1, the line
// and paragraph separators, and the bidirectional controls that would reorder the text around them.
QString decode(const std::string& bytes);

}  // namespace visibletext
