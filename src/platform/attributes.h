// Attribute bits of a directory entry, as the catalogue's tests read them.
#pragma once

namespace dorvantile {

/// Bits reported for an entry. A link reports the bits of what it points at plus `Link`;
/// a link that cannot be followed reports `Link` alone (plus `Hidden` for a dot-name).
enum Attribute : unsigned {
    ReadOnly = 1,   ///< a file (never a folder) without write permission for its owner
    Hidden = 2,     ///< the entry's own name begins with "."
    System = 4,     ///< neither a regular file nor a directory: device, FIFO, socket
    Directory = 16, ///< a folder
    Archive = 32,   ///< never reported on this platform
    Link = 1024,    ///< the entry is a symbolic link
};

/// The sub-folder test of the collection: exactly a plain folder and nothing else, so hidden
/// folders and links to folders are left out with everything beneath them.
constexpr bool isSubFolder(unsigned attributes) {
    return attributes == Directory;
}

/// The file listing's filter: plain files, links to files and links that cannot be followed.
constexpr bool isListedFile(unsigned attributes) {
    return (attributes & (Directory | Hidden | System)) == 0;
}

} // namespace dorvantile
