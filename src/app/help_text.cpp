#include "app/help_text.h"

#include "app/contact.h"

namespace dorvantile::app {

std::string helpText() {
    std::string text;
    const auto add = [&text](const std::string& line) { text += line + "\r\n"; };
    add("");
    add(" 1. Double click on folder or subfolder");
    add(" 2. Select for save to Html, Text or Printer");
    add(" 3. Puch the Ok-button for run program");
    add("     Maximal files to save is about 30.000,");
    add("");
    add("     ");
    add(std::string("     Website: ") + websiteAddress);
    add(std::string("     E-mail: ") + emailAddress);
    return text;
}

} // namespace dorvantile::app
