// The fourteen relocatable shell folders, in row order.
#ifndef VESTRAND_RELOCATION_FOLDERCATALOGUE_H
#define VESTRAND_RELOCATION_FOLDERCATALOGUE_H

#include <array>

namespace vestrand {

extern const char* const kUserShellFoldersKey;
extern const char* const kShellFoldersKey;
extern const char* const kEnvironmentKey;

enum class FolderGroup { Recommended, Advanced };

// How start-up treats a row after its first read (see StartMain).
enum class Nt6Treatment { E, N };
enum class Nt5Treatment { A, B, C, D };

struct FolderRow {
  int row;
  FolderGroup group;
  const char* caption;     // as designed, shown on NT 6.x
  const char* nt5Caption;  // shown on NT 5.x
  const char* valueName;   // read at start-up; written by the runs
  const char* secondValueName;  // the second write's value name (differs only for TEMP/TMP)
  const char* readKey;
  const char* firstWriteKey;
  const char* secondWriteKey;
  bool fallback;           // start-up reads Shell Folders when the first read is empty
  Nt6Treatment nt6;
  Nt5Treatment nt5;
  bool desktopIni;         // discard mode makes the folder read-only and carries desktop.ini
  const char* nt5FixedName;  // NT 5.x new location's folder name when the folder is missing
};

using FolderCatalogueTable = std::array<FolderRow, 14>;

const FolderCatalogueTable& FolderCatalogue();
const FolderRow& CatalogueRow(int row);  // row 1..14

}  // namespace vestrand

#endif
