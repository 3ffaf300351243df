// The per-user data folder that the desktop entry asks for: where the Saves
// folder and the download's scratch name live when the program is started
// from a desktop menu, whose working folder is no place of the player's
// choosing.
#pragma once

#include <string>

namespace kovalo {

// "<base>/kovalo/", where base is XDG_DATA_HOME when that is an absolute
// path, else "<home>/.local/share". A value that is unset, empty or
// relative counts as not set, as the base directory rules say. Empty when
// no absolute folder follows (home also unset, empty or relative). Either
// argument may be null.
std::string XdgDataFolder(const char* xdgDataHome, const char* home);

// Makes folder and every missing parent, new ones readable by their owner
// only. 0 on success (also when it was there), 1 when a part cannot be made
// or is not a folder.
int MakeDataFolder(const std::string& folder);

}  // namespace kovalo

namespace kovalo {

// The folder the program works in, ending in '/': with useDataFolder the
// data folder above, made when missing; else currentFolder as it is. Empty
// when the data folder has no name or cannot be made.
std::string ChooseWorkingFolder(bool useDataFolder, const char* xdgDataHome, const char* home,
                                const std::string& currentFolder);

}  // namespace kovalo
