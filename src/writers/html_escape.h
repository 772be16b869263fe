// The one seam through which names and paths reach the HTML page.
#pragma once

#include <string>
#include <string_view>

namespace dorvantile {

/// Appends `bytes` percent-encoded byte by byte, keeping A-Z a-z 0-9 - . _ ~ and "/", with
/// upper-case hex digits: `a b#.txt` becomes `a%20b%23.txt`.
void appendPercentEncoded(std::string& out, std::string_view bytes);

/// Appends a name or path as the page shows it: control characters as "?", and & < > " as
/// &amp; &lt; &gt; &quot;.
/// `text` must already be in the case it is shown in.
void appendShown(std::string& out, std::string_view text);

} // namespace dorvantile
