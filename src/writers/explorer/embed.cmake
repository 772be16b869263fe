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

string(REPLACE "<link rel=\"stylesheet\" href=\"explorer.css\">\n" "<style>\n${css}</style>\n"
       html "${html}")
string(REPLACE "<script src=\"explorer.js\"></script>\n" "<script>\n${js}</script>\n"
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
