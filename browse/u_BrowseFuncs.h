#pragma once
// The portable rules of the folder picker: its root-folder and option tables,
// the path form used to select a folder, the shortening of its status line and
// the names the New folder command accepts.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Bits of TBrowseDir::Options; each adds one picker flag (OptionFlags).
using TBrowseOptions = std::uint8_t;
constexpr TBrowseOptions kBrowseReturnOnlyFsDirs = 1 << 0;
constexpr TBrowseOptions kBrowseDontGoBelowDomain = 1 << 1;
constexpr TBrowseOptions kBrowseReturnFsAncestors = 1 << 2;
constexpr TBrowseOptions kBrowseForComputer = 1 << 3;
constexpr TBrowseOptions kBrowseForPrinter = 1 << 4;
constexpr TBrowseOptions kBrowseIncludeFiles = 1 << 5;
constexpr TBrowseOptions kBrowseEditBox = 1 << 6;

// The picker's flag for a status line, added by BrowseFlags.
constexpr std::uint32_t kPickerStatusText = 0x0004;

// Special-folder id for RootFolder index 24 and for indices past the table:
// it names no shell folder, so the picker falls back to its own root.
constexpr int kNoShellFolder = 0xFEFE;

// The special-folder id of a RootFolder index (indices 18 to 21 are the common
// folders, which every 64-bit Windows has).
int RootFolderId(std::uint8_t index);

// The picker flags of the option bits (bit 6 brings the edit box and its validation).
std::uint32_t OptionFlags(TBrowseOptions options);

// OptionFlags plus the status-line flag when the picker shows one.
std::uint32_t BrowseFlags(TBrowseOptions options, bool statusLine);

// The path sent to select a folder: a bare drive ("C:") gains its "\", a drive
// root stays as it is, any other path loses one trailing "\" (except "\").
std::string NormalizeSelectPath(std::string_view path);

// Width of a text in pixels, as the status line measures it.
using TTextWidth = std::function<int(std::string_view)>;

// Drops the first folder of a folder part, leaving a "...\" marker in its place;
// a leading "\" is kept. "\" and a last remaining folder give "".
std::string DropFirstFolder(std::string_view dir);

// Shortens a path until it fits `available` pixels: folders after the drive
// give way to "...\" one by one, then the drive, then the folder part, so that
// in the end only the last name is left (even when that is still too wide).
std::string FitPathToWidth(std::string_view text, int available, const TTextWidth& width);

// Shortens any text until it fits: characters go from its end and "..." marks
// the cut; "..." alone when no prefix fits.
std::string FitTextToWidth(std::string_view text, int available, const TTextWidth& width);

// The start of an inner extent centred in an outer one, both divisions truncating toward zero.
int CenteredStart(int outerStart, int outerSize, int innerSize);

// Whether the New folder command accepts a typed name: one folder level inside
// the selected folder, so no separators, no drive, no "." or "..", none of the
// characters Windows forbids in names, and no trailing dot or blank (Windows
// would strip them and the folder would not be found again by its name).
bool IsNewFolderName(std::string_view name);
