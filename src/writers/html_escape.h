// The one seam through which names and paths reach the HTML page.
#pragma once

#include <string>
#include <string_view>

namespace dorvantile {

/// Appends `text` with & < > " written as &amp; &lt; &gt; &quot;.
void appendHtmlEscaped(std::string& out, std::string_view text);

/// Appends `bytes` percent-encoded byte by byte, keeping A-Z a-z 0-9 - . _ ~ and "/", with
/// upper-case hex digits: `a b#.txt` becomes `a%20b%23.txt`.
void appendPercentEncoded(std::string& out, std::string_view bytes);

/// Appends a name or path as the page shows it: control characters as "?", then escaped.
/// `text` must already be in the case it is shown in.
void appendShown(std::string& out, std::string_view text);

} // namespace dorvantile
