# Makes explorer_page.cpp: explorer.html with explorer.css and explorer.js in place of its
# <link> and <script src>, split where the catalogue's data goes, as string literals of at
# most 60,000 bytes (the length every compiler must take).
#   cmake -DSOURCE_DIR=... -DOUTPUT=... -P embed.cmake
file(READ "${SOURCE_DIR}/explorer.html" html)
file(READ "${SOURCE_DIR}/explorer.css" css)
file(READ "${SOURCE_DIR}/explorer.js" js)

# Inside <style> and <script> the page's parser looks only for their end tags.
string(TOLOWER "${css}" lower_css)
string(TOLOWER "${js}" lower_js)
foreach(check IN ITEMS "lower_css;</style" "lower_js;</script" "lower_js;<!--" "html;)page\""
                       "css;)page\"" "js;)page\"")
  list(GET check 0 variable)
  list(GET check 1 text)
  string(FIND "${${variable}}" "${text}" found)
  if(NOT found EQUAL -1)
    message(FATAL_ERROR "embed.cmake: ${variable} holds \"${text}\", which would end it early")
  endif()
endforeach()

# The base64 form of a SHA-256 digest given in hex, for the page's content security policy.
function(base64_of_hex hex out)
  set(alphabet "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
  string(LENGTH "${hex}" length)
  set(result "")
  foreach(at RANGE 0 ${length} 6)
    math(EXPR left "${length} - ${at}")
    if(left LESS_EQUAL 0)
      break()
    endif()
    string(SUBSTRING "${hex}" ${at} 6 group)
    string(LENGTH "${group}" digits)
    math(EXPR value "0x${group} << (24 - ${digits} * 4)")
    math(EXPR characters "(${digits} * 4 + 5) / 6")
    foreach(k RANGE 1 ${characters})
      math(EXPR index "(${value} >> (24 - ${k} * 6)) & 63")
      string(SUBSTRING "${alphabet}" ${index} 1 character)
      string(APPEND result "${character}")
    endforeach()
  endforeach()
  string(LENGTH "${result}" produced)
  math(EXPR padding "(4 - ${produced} % 4) % 4")
  string(REPEAT "=" ${padding} equals)
  set(${out} "${result}${equals}" PARENT_SCOPE)
endfunction()

# The policy lets the page's own style sheet and script run, by their digests, and nothing
# else: no other script, no network.
set(style "\n${css}")
set(script "\n${js}")
string(SHA256 style_hash "${style}")
string(SHA256 script_hash "${script}")
base64_of_hex(${style_hash} style_hash)
base64_of_hex(${script_hash} script_hash)
string(REPLACE "'style-sha256'" "'sha256-${style_hash}'" html "${html}")
string(REPLACE "'script-sha256'" "'sha256-${script_hash}'" html "${html}")
string(REPLACE "<link rel=\"stylesheet\" href=\"explorer.css\">\n" "<style>${style}</style>\n"
       html "${html}")
string(REPLACE "<script src=\"explorer.js\"></script>\n" "<script>${script}</script>\n"
       html "${html}")
set(marker "<!-- catalogue -->\n")
string(FIND "${html}" "${marker}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "embed.cmake: explorer.html has no ${marker}")
endif()
string(SUBSTRING "${html}" 0 ${at} before)
string(LENGTH "${marker}" marker_length)
math(EXPR rest "${at} + ${marker_length}")
string(SUBSTRING "${html}" ${rest} -1 after)

# The literals of `text`, each ending in a line end.
function(literals text out)
  set(pieces "")
  while(NOT text STREQUAL "")
    string(LENGTH "${text}" length)
    if(length GREATER 60000)
      string(SUBSTRING "${text}" 0 60000 head)
      string(FIND "${head}" "\n" cut REVERSE)
      math(EXPR cut "${cut} + 1")
    else()
      set(cut ${length})
    endif()
    string(SUBSTRING "${text}" 0 ${cut} piece)
    string(SUBSTRING "${text}" ${cut} -1 text)
    string(APPEND pieces "    R\"page(${piece})page\",\n")
  endwhile()
  set(${out} "${pieces}" PARENT_SCOPE)
endfunction()

literals("${before}" before_literals)
literals("${after}" after_literals)
file(WRITE "${OUTPUT}.new" "// Made by embed.cmake from explorer.html, explorer.css and explorer.js.
#include \"writers/explorer_page.h\"

namespace dorvantile::explorer {
namespace {

constexpr std::string_view before[] = {
${before_literals}};
constexpr std::string_view after[] = {
${after_literals}};

} // namespace

std::span<const std::string_view> pageBefore() {
    return before;
}

std::span<const std::string_view> pageAfter() {
    return after;
}

} // namespace dorvantile::explorer
")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
