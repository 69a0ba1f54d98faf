#include "packer/u_Harvest.h"

#include <algorithm>
#include <functional>
#include <map>
#include <ostream>
#include <set>
#include <vector>

#include "actions/u_SimpleFuncs1.h"
#include "package/u_SetupScript.h"
#include "packer/u_Files.h"
#include "packer/u_PackError.h"
#include "packer/u_PackLog.h"
#include "packer/u_ScriptChecks.h"

namespace fs = std::filesystem;

namespace {

// The marker lines hold no "=", so the installer takes them for remarks.
constexpr std::string_view kBeginMarker = "/* velkpack harvest begin";
constexpr std::string_view kEndMarker = "/* velkpack harvest end */";

struct TFile {
  fs::path path;
  std::u16string name;
};

// One folder below the harvested one (or itself), its files sorted by name.
struct TFolder {
  fs::path path;
  std::vector<std::u16string> parts;  // the path below the harvested folder
  std::vector<TFile> files;
};

// Names sort by their upper case, then by their code units: the same order on
// every system.
bool ByName(const TFile& a, const TFile& b) {
  const auto upperA = UpperCaseUtf16(a.name), upperB = UpperCaseUtf16(b.name);
  return upperA != upperB ? upperA < upperB : a.name < b.name;
}

bool IsProgram(std::u16string_view name) {
  return name.size() > 4 && UpperCaseUtf16(name.substr(name.size() - 4)) == u".EXE";
}

// Walks a folder in harvest order: a folder's files, then each subfolder in
// turn. Links to folders are not followed; anything that is neither a file nor
// a folder is passed over.
class TFolderWalk {
public:
  using TProblem = std::function<void(const fs::path&, const std::string&)>;

  TFolderWalk(const fs::path& excluded, TProblem problem, TProblem note)
      : excluded_(excluded), problem_(std::move(problem)), note_(std::move(note)) {}

  std::vector<TFolder> Walk(const fs::path& root) {
    folders_.clear();
    Visit(root, {});
    return std::move(folders_);
  }

private:
  void Visit(const fs::path& path, std::vector<std::u16string> parts) {
    std::vector<TFile> files, subfolders;
    std::vector<TFolderEntry> entries;
    try {
      entries = ListFolder(path);
    } catch (const TPackError& e) {
      problem_(path, e.what());
      return;
    }
    for (const auto& entry : entries) {
      std::u16string name;
      try {
        name = entry.path.filename().u16string();
      } catch (const std::exception&) {
        problem_(entry.path, "the name is not UTF-8 text");
        continue;
      }
      switch (entry.kind) {
        case TFolderEntry::Folder: subfolders.push_back({entry.path, name}); break;
        case TFolderEntry::File:
          if (NormalPath(entry.path) != excluded_) files.push_back({entry.path, name});
          break;
        case TFolderEntry::FolderLink: note_(entry.path, "a link to a folder, not followed"); break;
        case TFolderEntry::Other: note_(entry.path, "neither a file nor a folder, passed over"); break;
      }
    }
    std::sort(files.begin(), files.end(), ByName);
    std::sort(subfolders.begin(), subfolders.end(), ByName);
    CheckCaseDuplicates(files, subfolders);
    folders_.push_back({path, parts, std::move(files)});
    for (const auto& folder : subfolders) {
      parts.push_back(folder.name);
      Visit(folder.path, parts);
      parts.pop_back();
    }
  }

  // Windows file names ignore case: two of them would install to one path.
  void CheckCaseDuplicates(const std::vector<TFile>& files, const std::vector<TFile>& subfolders) {
    std::map<std::u16string, fs::path> seen;
    for (const auto* list : {&files, &subfolders})
      for (const auto& entry : *list) {
        const auto [first, isNew] = seen.emplace(UpperCaseUtf16(entry.name), entry.path);
        if (!isNew)
          problem_(entry.path, "differs from '" + DisplayPath(first->second.filename()) +
                                   "' only in case, and Windows would install both to one path");
      }
  }

  fs::path excluded_;
  TProblem problem_, note_;
  std::vector<TFolder> folders_;
};

// `name`, or the first of its variants with " (2)", " (3)", ... inserted at
// `at` that is not taken.
std::string Unique(const std::string& name, size_t at, const std::function<bool(const std::string&)>& taken) {
  std::string candidate = name;
  for (int n = 2; taken(candidate); ++n)
    candidate = name.substr(0, at) + " (" + std::to_string(n) + ")" + name.substr(at);
  return candidate;
}

// The line end the script uses (CR LF for a script without any).
std::string LineEndOf(std::string_view text) {
  const size_t end = text.find_first_of("\r\n");
  if (end == std::string_view::npos) return "\r\n";
  if (text[end] == '\n') return "\n";
  return end + 1 < text.size() && text[end + 1] == '\n' ? "\r\n" : "\r";
}

// "a-b" for the numbers first to next - 1.
std::string Range(size_t first, size_t next) {
  return first == next ? "none" : std::to_string(first) + "-" + std::to_string(next - 1);
}

class THarvester {
public:
  THarvester(std::string_view text, const THarvestRequest& request, const TPackLog& log)
      : text_(text), request_(request), log_(log), scriptFolder_(fs::absolute(request.script).parent_path()),
        lineEnd_(LineEndOf(text)) {}

  Bytes Run() {
    FindBlock();
    const std::string rest = std::string(prefix_) + std::string(suffix_);
    ReadOwnEntries(TSetupScript(rest));
    std::error_code error;
    if (!fs::is_directory(request_.folder, error))
      throw TPackError("'" + DisplayPath(request_.folder) + "' is not a folder");
    TFolderWalk walk(
        NormalPath(request_.script), [&](const fs::path& path, const std::string& why) { FileProblem(path, why); },
        [&](const fs::path& path, const std::string& why) {
          log_.problems << DisplayPath(path) << ": note: " << why << '\n';
        });
    const auto folders = walk.Walk(request_.folder);
    const std::string block = Block(folders);
    if (errors_) throw TPackError(std::to_string(errors_) + " error(s) in the folder; the script was not changed");
    log_.out << "Harvested " << DisplayPath(request_.folder) << " into " << DisplayPath(request_.script) << ": "
             << file_ - firstFile_ << " file(s) in " << folders.size() << " folder(s) as file groups "
             << Range(firstGroup_, group_) << " and files " << Range(firstFile_, file_);
    if (skipped_) log_.out << "; " << skipped_ << " file(s) left to the script's own entries";
    log_.out << '\n';
    return std::string(prefix_) + block + std::string(suffix_);
  }

private:
  void ScriptError(size_t line, const std::string& text) {
    throw TPackError(DisplayPath(request_.script) + ":" + std::to_string(line), text);
  }
  void FileProblem(const fs::path& path, const std::string& why) {
    ++errors_;
    log_.problems << DisplayPath(path) << ": error: " << why << '\n';
  }

  // Splits the text around the harvested block, or, without one, appends it.
  void FindBlock() {
    std::optional<size_t> begin, end;
    size_t line = 0, blockLines = 0;
    for (size_t start = 0; start < text_.size();) {
      const size_t stop = std::min(text_.find_first_of("\r\n", start), text_.size());
      size_t next = stop + (stop < text_.size());
      if (next < text_.size() && text_[stop] == '\r' && text_[next] == '\n') ++next;
      const std::string_view content = text_.substr(start, stop - start);
      ++line;
      if (content.starts_with(kBeginMarker)) {
        if (begin) ScriptError(line, "a second harvest begin line; the script may hold one harvested part");
        begin = start;
        beginLine_ = line;
      } else if (content == kEndMarker) {
        if (!begin || end) ScriptError(line, "a harvest end line without its begin line");
        end = next;
        blockLines = line - beginLine_ + 1;
      }
      start = next;
    }
    if (begin && !end) ScriptError(beginLine_, "the harvest begin line has no end line");
    if (begin) {
      prefix_ = text_.substr(0, *begin);
      suffix_ = text_.substr(*end);
      blockLines_ = blockLines;
      return;
    }
    prefix_ = text_;
    if (!text_.empty() && text_.back() != '\n' && text_.back() != '\r') ownLineEnd_ = lineEnd_;
    beginLine_ = line + 1;
  }

  // The line of the original text for a line of the text without the block.
  size_t OriginalLine(size_t restLine) const { return restLine < beginLine_ ? restLine : restLine + blockLines_; }

  // The script's own entries: harvested ones are numbered after them and take
  // none of their names or files.
  void ReadOwnEntries(const TSetupScript& script) {
    const size_t groups = script.CountEntries(kFileGroupName), files = script.CountEntries(kFileDispName);
    firstGroup_ = group_ = groups + 1;
    firstFile_ = file_ = files + 1;
    for (size_t i = 0; i < script.Lines().size(); ++i) {
      const auto key = SplitKeyLine(script.Lines()[i]);
      const auto entry = key ? ParseEntryKey(key->name) : std::nullopt;
      if (!entry || (entry->header != kHeaderFileGroups && entry->header != kHeaderFileValues)) continue;
      const size_t count = entry->header == kHeaderFileGroups ? groups : files;
      if (entry->number > count)
        ScriptError(OriginalLine(i + 1), std::string(key->name) + " is beyond the script's own entries, which end at " +
                                             std::to_string(count) + "; harvested entries are numbered from " +
                                             std::to_string(count + 1) + " and would clash with it");
    }
    displayNames_ = {PayloadResourceName(kScriptResource, request_.codePage),
                     PayloadResourceName(kLicenseResource, request_.codePage)};
    for (size_t n = 1; n <= files; ++n) {
      displayNames_.insert(PayloadResourceName(script.Text(EntryKey(kFileDispName, n)), request_.codePage));
      const std::string location = script.Text(EntryKey(kFileLocation, n));
      if (location.empty()) continue;
      try {
        ownFiles_.insert(NormalPath(ResolveSourcePath(scriptFolder_, location, request_.codePage)));
      } catch (const std::exception&) {  // a path that cannot name a file here names none of the harvested ones
      }
    }
    for (size_t n = 1; n <= groups; ++n) variables_.insert(UpperCaseAscii(script.Text(EntryKey(kFileGroupName, n))));
    for (size_t n = 1, count = script.CountEntries(kLinkGroupName); n <= count; ++n)
      variables_.insert(UpperCaseAscii(script.Text(EntryKey(kLinkGroupName, n))));
  }

  // A name as the script holds it: in its code page, fit for a Windows file
  // name; nullopt after reporting the file.
  std::optional<std::string> ScriptName(const fs::path& path, std::u16string_view name) {
    const auto ansi = Utf16ToAnsi(name, request_.codePage);
    if (!ansi) {
      FileProblem(path, "the name holds characters that code page " + std::to_string(request_.codePage) +
                            " cannot hold (--codepage chooses another)");
      return std::nullopt;
    }
    if (const TResult named = CheckFileName(*ansi); !named) {
      FileProblem(path, named.Reason());
      return std::nullopt;
    }
    return ansi;
  }

  // A source path as FileLocation holds it.
  std::optional<std::string> Location(const fs::path& path) {
    const auto location = ScriptSourcePath(scriptFolder_, path, request_.codePage);
    if (!location)
      FileProblem(path, "the path from the script's folder holds characters that code page " +
                            std::to_string(request_.codePage) + " cannot hold");
    return location;
  }

  void Line(std::string& out, std::string_view key, size_t n, std::string_view value) {
    out.append(key).append(std::to_string(n)).append("=").append(value).append(lineEnd_);
  }

  // The harvested folder's own name, which its file groups are named after.
  std::optional<std::string> RootName() {
    const fs::path name = NormalPath(request_.folder).filename();
    return name.empty() ? "Files" : ScriptName(request_.folder, name.u16string());
  }

  // A group variable named after the folder, unique among the script's variables.
  std::string Variable(std::string name) {
    std::replace(name.begin(), name.end(), '=', '_');  // "=" would end the variable's name in the installer
    const std::string variable = Unique("<" + name + ">", name.size() + 1, [&](const std::string& v) {
      return IsReservedVariable(v) || variables_.contains(UpperCaseAscii(v));
    });
    variables_.insert(UpperCaseAscii(variable));
    return variable;
  }

  std::string Block(const std::vector<TFolder>& folders) {
    std::string groups, files;
    const auto rootName = RootName();
    for (const auto& folder : folders) {
      std::string below;  // the folder's path below the harvested one, each part beginning with "\"
      bool usable = rootName.has_value();
      for (const auto& part : folder.parts) {
        const auto name = ScriptName(folder.path, part);
        usable = usable && name;
        if (name) below += "\\" + *name;
      }
      if (!usable) continue;
      const std::string variable = Variable(*rootName + below);
      Line(groups, kFileGroupName, group_, variable);
      Line(groups, kFileGroupDispName, group_, *rootName + below);
      Line(groups, kFileGroupPath, group_, kSetupPath + below);
      ++group_;
      for (const auto& file : folder.files) AddFile(files, file, variable);
    }
    std::string block = ownLineEnd_;
    block.append(kBeginMarker).append(": lines up to the end line are rewritten by velkpack harvest */").append(lineEnd_);
    block.append(kHeaderFileGroups).append(lineEnd_).append(groups);
    block.append(kHeaderFileValues).append(lineEnd_).append(files);
    return block.append(kEndMarker).append(lineEnd_);
  }

  // A display name unique in payload resource names.
  std::string DisplayName(const std::string& name) {
    // A name beginning with "#" would be looked up as a resource number.
    const std::string wanted = name.front() == '#' ? "_" + name : name;
    const size_t dot = wanted.rfind('.');
    const std::string display = Unique(wanted, dot == std::string::npos || dot == 0 ? wanted.size() : dot,
                                       [&](const std::string& n) {
                                         return displayNames_.contains(PayloadResourceName(n, request_.codePage));
                                       });
    displayNames_.insert(PayloadResourceName(display, request_.codePage));
    return display;
  }

  void AddFile(std::string& out, const TFile& file, const std::string& variable) {
    if (ownFiles_.contains(NormalPath(file.path))) {
      ++skipped_;
      return;
    }
    const auto name = ScriptName(file.path, file.name);
    const auto location = name ? Location(file.path) : std::nullopt;
    if (!location) return;
    Line(out, kFileLocation, file_, *location);
    Line(out, kFileDispName, file_, DisplayName(*name));
    Line(out, kFileFolder, file_, variable);
    Line(out, kFileSetupPath, file_, variable + "\\" + *name);
    Line(out, kFileDoSetup, file_, "True");
    Line(out, kFileDoRegister, file_, "False");
    ++file_;
  }

  std::string_view text_;
  const THarvestRequest& request_;
  const TPackLog& log_;
  fs::path scriptFolder_;
  std::string lineEnd_, ownLineEnd_;
  std::string_view prefix_, suffix_;
  size_t beginLine_ = 0, blockLines_ = 0;
  size_t firstGroup_ = 1, group_ = 1, firstFile_ = 1, file_ = 1, skipped_ = 0, errors_ = 0;
  std::set<std::u16string> displayNames_;  // as payload resource names
  std::set<std::string> variables_;        // in ASCII upper case
  std::set<fs::path> ownFiles_;
};

}  // namespace

Bytes HarvestIntoScript(std::string_view scriptText, const THarvestRequest& request, const TPackLog& log) {
  return THarvester(scriptText, request, log).Run();
}

void HarvestFolder(const THarvestRequest& request, const TPackLog& log) {
  const Bytes text = HarvestIntoScript(ReadWholeFile(request.script), request, log);
  WriteFileAtomically(request.script, [&](std::ostream& out) { out.write(text.data(), std::streamsize(text.size())); });
}

std::optional<fs::path> FirstProgram(const fs::path& folder) {
  const auto ignore = [](const fs::path&, const std::string&) {};
  for (const auto& found : TFolderWalk({}, ignore, ignore).Walk(folder))
    for (const auto& file : found.files)
      if (IsProgram(file.name)) return file.path.lexically_relative(folder);
  return std::nullopt;
}
