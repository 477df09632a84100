#include "relocation/FolderCarry.h"

#include <map>

#include "relocation/PathRules.h"
#include "relocation/UserTexts.h"

namespace vestrand {

namespace {

const char* const kDesktopIni = "\\Desktop.ini";
constexpr std::size_t kShellFileLimit = 1u << 20;  // desktop.ini is a few lines, Thumbs.db a few pictures

// Whether the row's folder is already where the run sends it, as a second run onto the same target finds it.
bool AlreadyInPlace(Services& s, const RowPlan& p) {
  return paths::IsSamePath(p.current, p.newLocation, NamesOf(s.files));
}

// What a row's work comes to when it goes as meant.
RowOutcome Intended(Mode mode, bool inPlace) {
  if (inPlace) return RowOutcome::AlreadyInPlace;
  if (!CarriesFiles(mode)) return RowOutcome::EmptyFolderMade;
  return mode == Mode::Copy ? RowOutcome::Copied : RowOutcome::Moved;
}

Settled PointBack(Services& s, const RowPlan& p, const Snapshot& saved) {
  RestoreRow(s.registry, *p.row, saved);
  return {p.current, RowOutcome::PointedBack};
}

// The registry must never name a folder that does not exist, nor leave files where
// nothing names them. When the shell left nothing at the new place (it failed, or the
// user cancelled it), the row is pointed back at its old folder, which still holds the
// files; when there was no old folder either, the new one is made, empty. A carry done
// in part is kept and counted, so that the user can finish it.
Settled SettleLocation(Services& s, const RowPlan& p, Mode mode, RowOutcome done, const Snapshot& saved) {
  if (!s.files.DirExists(p.newLocation)) {
    if (paths::IsAbsolutePath(p.current) && s.files.DirExists(p.current)) return PointBack(s, p, saved);
    s.files.MakeDirectory(p.newLocation);
    return {p.newLocation, RowOutcome::EmptyFolderMade};
  }
  // Only what was carried, by its own shell operation or inside its outer folder's, is
  // counted: its files tell whether it arrived.
  if (AlreadyInPlace(s, p) || (!p.carriedAlone && !p.travelsWithOuter)) { return {p.newLocation, done}; }
  if (mode == Mode::Move) {
    if (!s.files.DirExists(p.current)) return {p.newLocation, done};
    const std::size_t left = s.files.ListFiles(p.current).size();
    if (left == p.files.size()) return PointBack(s, p, saved);
    if (left == 0) return {p.newLocation, done};  // an empty folder left behind holds nothing
    return {p.newLocation, RowOutcome::MovedInPart, left};
  }
  std::map<std::string, std::uint64_t> arrived;
  for (const FileEntry& f : s.files.ListFiles(p.newLocation)) arrived[s.files.NameKey(f.relativePath)] = f.size;
  std::size_t missing = 0;
  for (const FileEntry& f : p.files) {
    // The target may keep its own desktop.ini; the shell's files are no part of the user's.
    if (IsShellsOwnFile(s.files, f.relativePath)) continue;
    const auto it = arrived.find(s.files.NameKey(f.relativePath));
    if (it == arrived.end() || it->second != f.size) ++missing;
  }
  if (missing > 0 && missing == p.files.size()) return PointBack(s, p, saved);
  if (missing > 0) return {p.newLocation, RowOutcome::CopiedInPart, missing};
  return {p.newLocation, done};
}

// Discard mode: only the new folder, read-only with the old desktop.ini where the row
// shows one, so that Explorer keeps the folder's look.
void MakeEmptyFolder(Services& s, const RowPlan& p, bool inPlace) {
  s.files.MakeDirectory(p.newLocation);
  if (!p.row->desktopIni) return;
  Ignored(s.files.SetFileAttributes(p.newLocation, kFileAttributeReadOnly),
          "only the folder's look depends on it; stopping half-way would leave the shell down");
  // An empty box would make "\Desktop.ini" name a file in the root of the current drive.
  if (inPlace || p.current.empty()) return;
  const std::string ini = p.current + kDesktopIni;
  if (s.files.GetFileAttributes(ini) != kInvalidFileAttributes) s.files.ShellCopyFiles(ini, p.newLocation);
}

}  // namespace

Settled TransferFolder(Services& s, const RowPlan& p, const std::string& root, Mode mode, const Snapshot& saved) {
  if (!WriteLocation(s.registry, *p.row, p.newLocation, saved)) {
    // The row stays as it was, files included: they remain where the registry points.
    s.dialogs.MessageBox(kWriteRefusedText, kMbIconError, std::nullopt);
    return {p.current, RowOutcome::WriteRefused};
  }
  // The shell would answer a copy of a folder onto itself with an error window.
  const bool inPlace = AlreadyInPlace(s, p);
  // The shell replaces what it meets; the target's own desktop.ini and Thumbs.db are put
  // back afterwards.
  std::vector<std::pair<std::string, std::string>> kept;
  for (const std::string& file : p.keptInTarget) {
    if (auto bytes = s.files.ReadFileStart(p.newLocation + file, kShellFileLimit)) kept.emplace_back(file, *bytes);
  }
  if (mode == Mode::Copy && p.carriedAlone) s.files.ShellCopyFiles(p.current, root);
  if (mode == Mode::Move && p.carriedAlone) s.files.ShellMoveFiles(p.current, root);
  for (const auto& [file, bytes] : kept) {
    Ignored(s.files.OverwriteFile(p.newLocation + file, bytes), "the shell's own file: nothing of the user's is lost");
  }
  if (mode == Mode::Discard) MakeEmptyFolder(s, p, inPlace);
  return SettleLocation(s, p, mode, Intended(mode, inPlace), saved);
}

Settled SettleInterrupted(Services& s, const RowPlan& p, Mode mode, const Snapshot& saved) {
  const bool inPlace = AlreadyInPlace(s, p);
  const Settled settled = SettleLocation(s, p, mode, Intended(mode, inPlace), saved);
  // The error may have come before both values were written: the place the row is settled
  // at is written again, or the row is put back whole.
  if (settled.location == p.newLocation && !WriteLocation(s.registry, *p.row, p.newLocation, saved)) {
    return {p.current, RowOutcome::WriteRefused};
  }
  return settled;
}

std::optional<Settled> FollowOuterFolder(Services& s, const RowPlan& p, const Snapshot& saved) {
  if (!p.followsOuter || s.files.DirExists(p.current) || !s.files.DirExists(p.newLocation)) return std::nullopt;
  if (WriteLocation(s.registry, *p.row, p.newLocation, saved)) { return Settled{p.newLocation, RowOutcome::Followed}; }
  s.dialogs.MessageBox(kWriteRefusedText, kMbIconError, std::nullopt);
  return Settled{p.current, RowOutcome::FollowRefused};
}

void ShareNewTempFolder(Host& host, const std::string& location) {
  host.SetEnvironmentVariable("TEMP", location);
  host.SetEnvironmentVariable("TMP", location);
  host.BroadcastEnvironmentChange();
}

}  // namespace vestrand
