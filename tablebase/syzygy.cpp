// Loading the Syzygy tables. The probing library keeps its tables in globals of its own and has a
// few faults this file stays clear of:
//  - after a valid path, initialising it with an empty path frees the tables but goes on
//    claiming their size, and the next probe crashes: an empty path never reaches the library,
//    the engine's own Largest says 0 instead;
//  - initialising, freeing and initialising again crashes: the tables are never freed, a new
//    path simply replaces the old one;
//  - every re-initialisation prints on standard error, and the library may print its own
//    "info string" lines on standard output, which an xboard GUI must never see: both streams are
//    closed while it runs.

#include "tablebase/syzygy.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "movegen/move_gen.h"

#ifdef ORVO_HAVE_FATHOM
#include <tbprobe.h>
#endif

SyzygySettings Syzygy;

#if defined(ORVO_HAVE_FATHOM) && defined(__SANITIZE_ADDRESS__)
// The library loses a few small blocks of its own when tables are opened from several threads
// (about a kilobyte here, at most a few per table); the leak checker of the sanitizer builds is told
// that these are not the engine's.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfathom.so\n"; }
#endif

namespace {

bool HasSuffix(const char* name, const char* suffix) {
  const size_t n = strlen(name), m = strlen(suffix);
  return n >= m && strcmp(name + n - m, suffix) == 0;
}

// Why the file cannot be a table of its kind, or nullptr when it may be one. Every WDL (.rtbw)
// and every DTZ (.rtbz) file starts with four bytes of its own, and is 16 bytes longer than a
// multiple of 64: a file cut short in a copy or a download mostly is not.
const char* TableFault(const std::string& file, bool wdl) {
  static constexpr unsigned char WdlMagic[4] = {0x71, 0xE8, 0x23, 0x5D};
  static constexpr unsigned char DtzMagic[4] = {0xD7, 0x66, 0x0C, 0xA5};
  unsigned char head[4] = {0, 0, 0, 0};
  FILE* f = fopen(file.c_str(), "rb");
  if (f == nullptr) return strerror(errno);
  const size_t n = fread(head, 1, sizeof head, f);
  const long size = fseek(f, 0, SEEK_END) == 0 ? ftell(f) : -1;
  fclose(f);
  if (n != sizeof head || memcmp(head, wdl ? WdlMagic : DtzMagic, sizeof head) != 0) return "not a Syzygy table";
  if (size < 0 || size % 64 != 16) return "truncated or damaged";
  return nullptr;
}

// Counts the table files (WDL and DTZ) of every folder of path, a table found in two folders
// once. Returns nullptr, or why a folder or a table cannot be used (its name in folder).
const char* CountTables(const char* path, int* count, char* folder, size_t size) {
  std::set<std::string> names;
  const char* p = path;
  while (*p) {
    const char* end = strchr(p, ':');
    const size_t length = end ? static_cast<size_t>(end - p) : strlen(p);
    snprintf(folder, size, "%.*s", static_cast<int>(length), p);
    if (*folder) {
      DIR* dir = opendir(folder);
      if (dir == nullptr) return strerror(errno);
      while (const dirent* entry = readdir(dir)) {
        const bool wdl = HasSuffix(entry->d_name, ".rtbw");
        if (!wdl && !HasSuffix(entry->d_name, ".rtbz")) continue;
        const std::string file = std::string(folder) + "/" + entry->d_name;
        if (const char* fault = TableFault(file, wdl)) {
          closedir(dir);
          snprintf(folder, size, "%s", file.c_str());
          return fault;
        }
        names.insert(entry->d_name);
      }
      closedir(dir);
    }
    p = end ? end + 1 : p + length;
  }
  *count = static_cast<int>(names.size());
  return nullptr;
}

#ifdef ORVO_HAVE_FATHOM
// Runs the library's initialisation with standard output and error closed.
unsigned InitQuietly(const char* path) {
  fflush(stdout);
  fflush(stderr);
  const int out = dup(STDOUT_FILENO), err = dup(STDERR_FILENO);
  const int null = open("/dev/null", O_WRONLY);
  if (null >= 0) {
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    close(null);
  }
  const bool ok = tb_init(path);
  fflush(stdout);
  fflush(stderr);
  if (out >= 0) {
    dup2(out, STDOUT_FILENO);
    close(out);
  }
  if (err >= 0) {
    dup2(err, STDERR_FILENO);
    close(err);
  }
  return ok ? TB_LARGEST : 0;
}
#endif

}  // namespace

bool SyzygyAvailable() {
#ifdef ORVO_HAVE_FATHOM
  return true;
#else
  return false;
#endif
}

void SetSyzygyPath(const char* path, char* message, size_t size) {
  Syzygy.Largest = 0;
  Syzygy.Path[0] = '\0';
  if (*path == '\0' || strcmp(path, "<empty>") == 0) {
    snprintf(message, size, "No Syzygy tables in use");
    return;
  }
  if (!SyzygyAvailable()) {
    snprintf(message, size, "This build reads no Syzygy tables (built without the Fathom library)");
    return;
  }
  if (strlen(path) >= sizeof Syzygy.Path) {
    snprintf(message, size, "Syzygy path too long (at most %zu characters); playing without tables",
             sizeof Syzygy.Path - 1);
    return;
  }
  int count = 0;
  char folder[sizeof Syzygy.Path];
  if (const char* why = CountTables(path, &count, folder, sizeof folder)) {
    snprintf(message, size, "Syzygy tables in %s cannot be used: %s (%s); playing without tables", path, folder, why);
    return;
  }
  if (count == 0) {
    snprintf(message, size, "No Syzygy tables in %s; playing without tables", path);
    return;
  }
#ifdef ORVO_HAVE_FATHOM
  const unsigned largest = InitQuietly(path);
  if (largest == 0) {
    snprintf(message, size, "The Syzygy tables in %s cannot be read; playing without tables", path);
    return;
  }
  Syzygy.Largest = static_cast<int32_t>(largest);
  snprintf(Syzygy.Path, sizeof Syzygy.Path, "%s", path);
  snprintf(message, size, "Found %d tables, up to %u pieces", count, largest);
#endif
}

#ifdef ORVO_HAVE_FATHOM
namespace {

// The en passant square for the side to move, as the tables want it: the square an enemy pawn
// has just jumped over, when a pawn of ours may take it there; 0 otherwise.
unsigned EnPassantSquare(const ChessBoard& b, int8_t side) {
  const PawnTargets pawns = side == White ? PawnTargetsOf<false>(b) : PawnTargetsOf<true>(b);
  return pawns.EnPassantFrom ? static_cast<unsigned>(LowestSquare(pawns.EnPassantTo)) : 0;
}

char PromotionOf(unsigned promotes) {
  switch (promotes) {
    case TB_PROMOTES_QUEEN: return 'q';
    case TB_PROMOTES_ROOK: return 'r';
    case TB_PROMOTES_BISHOP: return 'b';
    case TB_PROMOTES_KNIGHT: return 'n';
    default: return 0;
  }
}

// The library's move lists are as large as its longest variations: one copy, for the root.
TbRootMoves WdlRootMoves;

}  // namespace

bool ProbeWdl(const ChessBoard& b, int8_t side, TableResult* result) {
  const unsigned wdl = tb_probe_wdl(b.WhitePieces, b.BlackPieces, b.WhiteKing | b.BlackKing,
                                    b.WhiteQueens | b.BlackQueens, b.WhiteRooks | b.BlackRooks,
                                    b.WhiteBishops | b.BlackBishops, b.WhiteKnights | b.BlackKnights,
                                    b.WhitePawns | b.BlackPawns, 0, 0, EnPassantSquare(b, side), side == White);
  if (wdl == TB_RESULT_FAILED) return false;
  *result = static_cast<TableResult>(wdl);
  return true;
}

void ProbeRoot(const ChessBoard& b, int8_t side, int fiftyMoveCount, TableRoot* root) {
  root->Count = 0;
  const unsigned ep = EnPassantSquare(b, side);
  const unsigned rule50 = static_cast<unsigned>(std::clamp(fiftyMoveCount, 0, 100));
  const uint64_t kings = b.WhiteKing | b.BlackKing, queens = b.WhiteQueens | b.BlackQueens,
                 rooks = b.WhiteRooks | b.BlackRooks, bishops = b.WhiteBishops | b.BlackBishops,
                 knights = b.WhiteKnights | b.BlackKnights, pawns = b.WhitePawns | b.BlackPawns;
  // The DTZ tables: each move's result with the game's fifty-move count, and its distance.
  unsigned results[TB_MAX_MOVES];
  const unsigned best = tb_probe_root(b.WhitePieces, b.BlackPieces, kings, queens, rooks, bishops, knights, pawns,
                                      rule50, 0, ep, side == White, results);
  if (best != TB_RESULT_FAILED) {
    int n = 0;
    for (; n < MaxTableRootMoves && results[n] != TB_RESULT_FAILED; n++) {
      const unsigned r = results[n];
      root->Moves[n] = {static_cast<uint16_t>(TB_GET_FROM(r) << 6 | TB_GET_TO(r)), PromotionOf(TB_GET_PROMOTES(r)),
                        static_cast<TableResult>(TB_GET_WDL(r)), static_cast<int16_t>(TB_GET_DTZ(r))};
    }
    root->Count = n;
    return;
  }
  // A DTZ table missing: the WDL tables rank the moves (a win, a draw, a loss), no distance.
  if (!tb_probe_root_wdl(b.WhitePieces, b.BlackPieces, kings, queens, rooks, bishops, knights, pawns, rule50, 0, ep,
                         side == White, Syzygy.Rule50, &WdlRootMoves))
    return;
  const int n = std::min<int>(static_cast<int>(WdlRootMoves.size), MaxTableRootMoves);
  for (int i = 0; i < n; i++) {
    const TbRootMove& m = WdlRootMoves.moves[i];
    const TableResult result = m.tbRank > 0 ? TableResult::Win : m.tbRank < 0 ? TableResult::Loss : TableResult::Draw;
    root->Moves[i] = {static_cast<uint16_t>(m.move & 0xFFF), PromotionOf(TB_MOVE_PROMOTES(m.move)), result, 0};
  }
  root->Count = n;
}
#else
bool ProbeWdl(const ChessBoard&, int8_t, TableResult*) { return false; }
void ProbeRoot(const ChessBoard&, int8_t, int, TableRoot* root) { root->Count = 0; }
#endif
