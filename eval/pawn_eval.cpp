// Pawn structure: isolated, backward, doubled and candidate pawns, passed pawns with their
// protected and connected forms, and the rule of the square in pure pawn endings. The
// structural part is cached in the pawn hash; the passer terms that depend on the kings and
// pieces are recomputed on every call.

#include <cstring>

#include "board/bit_ops.h"
#include "board/masks.h"
#include "eval/eval_geometry.h"
#include "eval/eval_tables.h"
#include "eval/position_evaluate.h"
#include "hash/pawn_hash.h"

using namespace evalgeo;

namespace {

// The counters may run for hours in analysis; let them wrap instead of overflowing.
inline void CountUp(int32_t& counter) {
  counter = static_cast<int32_t>(static_cast<uint32_t>(counter) + 1u);
}

inline int Abs(int x) { return x < 0 ? -x : x; }

// A king on its first two ranks shelters behind the pawns of its own and the neighbouring
// files; a pawn in that zone earns no bonus for being advanced.
uint64_t WhiteKingZone(int kingSq) {
  if (RankOf(kingSq) > 1) return 0;
  const int f = FileOf(kingSq);
  return (FileMasks[f] | NeighbourFiles(f)) & (~0ULL << (8 * RankOf(kingSq)));
}
uint64_t BlackKingZone(int kingSq) {
  if (RankOf(kingSq) < 6) return 0;
  const int f = FileOf(kingSq);
  return (FileMasks[f] | NeighbourFiles(f)) & (~0ULL >> (8 * (7 - RankOf(kingSq))));
}

}  // namespace

bool PositionEvaluate::QueenAttacks(char /*colour*/, uint64_t square, uint64_t targets) {
  return ((bb->RookMask(square) | bb->BishopMask(square)) & targets) != 0;
}

bool PositionEvaluate::DoesPawnPromote(char colour, int rank, uint64_t promotionSquare, char side) {
  const bool black = colour != 0;
  const int moves = black ? rank : 7 - rank;
  // From its starting rank a pawn can take two squares at once.
  const int needed = moves == 6 ? 5 : moves;
  const int square = needed + 1;
  const int enemyKing = black ? WhiteKingSq : BlackKingSq;
  const int distance = Distance(enemyKing, LowestSquare(promotionSquare));
  return distance > square || (black == (side != 0) && distance > needed);
}

int32_t PositionEvaluate::RuleofSquare(char side) {
  if (WhiteNonPawnCount != 0 || BlackNonPawnCount != 0) return 0;
  // The unstoppable passer of each side that queens first.
  int white = 10, black = 10;
  uint64_t whiteQueening = 0, blackQueening = 0;
  for (int f = 0; f < 8; ++f) {
    const int wr = WhitePasserRank[f + 1];
    if (wr && 7 - wr < white && DoesPawnPromote(0, wr, Bit(56 + f), side)) {
      white = 7 - wr;
      whiteQueening = Bit(56 + f);
    }
    const int br = BlackPasserRank[f + 1];
    if (br && br < black && DoesPawnPromote(1, br, Bit(f), side)) {
      black = br;
      blackQueening = Bit(f);
    }
  }
  if (white == 10 && black == 10) return 0;
  if (white < black) return 5700;
  if (white > black) return -5700;

  // Both queen on the same move: the new queen may check, or cover the other promotion square.
  const ChessBoard& b = *bb;
  const int pw = LowestSquare(whiteQueening);
  const int pb = LowestSquare(blackQueening);
  const bool blackKingNearPb = Distance(BlackKingSq, pb) <= 2;
  const bool whiteKingNearPw = Distance(WhiteKingSq, pw) <= 2;
  if (side == 0) {
    if (QueenAttacks(0, whiteQueening, b.BlackKing)) return blackKingNearPb ? 0 : 5700;
    int32_t v = 0;
    if (QueenAttacks(0, whiteQueening, blackQueening)) v = blackKingNearPb ? 0 : 5700;
    if (QueenAttacks(1, blackQueening, b.WhiteKing) && QueenAttacks(1, blackQueening, whiteQueening))
      return whiteKingNearPw ? 0 : -5700;
    return v;
  }
  if (QueenAttacks(1, blackQueening, b.WhiteKing)) return whiteKingNearPw ? 0 : -5700;
  int32_t v = 0;
  if (QueenAttacks(1, blackQueening, whiteQueening)) v = whiteKingNearPw ? 0 : -5700;
  if (QueenAttacks(0, whiteQueening, b.BlackKing) && QueenAttacks(0, whiteQueening, blackQueening))
    return blackKingNearPb ? 0 : 5700;
  return v;
}

// Per-pawn pass over White's pawns (a pawn-hash miss only). Adds to the pawn score and the
// middlegame/endgame pawn terms and returns the files holding doubled pawns.
uint64_t PositionEvaluate::ScoreWhitePawns(int32_t& score, int32_t& mid, int32_t& end) {
  const uint64_t wp = bb->WhitePawns;
  const uint64_t bp = bb->BlackPawns;
  const uint64_t kingZone = WhiteKingZone(WhiteKingSq);
  const int kingFile = FileOf(WhiteKingSq);
  uint64_t doubledFiles = 0;
  score = 0;
  for (uint64_t set = wp; set; set &= set - 1) {
    const int s = LowestSquare(set);
    const int f = FileOf(s);
    const int r = RankOf(s);
    const uint64_t pawn = Bit(s);
    const uint64_t file = FileMasks[f];
    const bool halfOpen = (bp & file) == 0;   // no enemy pawn on the file
    bool isolated = false;
    score += WPawnSquare[s];
    if (f == 0 || f == 7) {
      // A rook pawn on the wing away from its king is slightly weaker.
      if (f == 0 ? kingFile >= 4 : kingFile <= 3) score -= 5;
      if ((wp & NeighbourFiles(f)) == 0) {
        isolated = true;
        mid -= 90;
        end -= 90;
        if (halfOpen) score -= 50;
      }
    } else if ((wp & NeighbourFiles(f)) == 0) {
      isolated = true;
      mid -= IsolatedPawn[f];
      end -= IsolatedPawn[f];
      if (f == 3 || f == 4) score -= 10;
      if (halfOpen) score -= 50;
    } else if ((wp & NeighbourFiles(f) & ~RanksAbove(s)) == 0) {
      // No neighbour level with it or behind it can ever defend it.
      score -= halfOpen ? 80 : 40;
      BackwardPawns |= pawn;
    }
    const uint64_t zone = WhitePassedZone[s];
    if ((bp & zone) == 0) {
      if (isolated) score += 50;
      if (BackwardPawns & pawn) {
        score += 80;
        BackwardPawns &= ~pawn;
      }
      WhitePasserRank[f + 1] = static_cast<uint8_t>(r);
      WhitePasserCount = static_cast<int8_t>(WhitePasserCount + 1);
    } else {
      if ((kingZone & pawn) == 0) score += Passers[r] / 4;
      // A candidate: its own pawns outnumber the enemy pawns that can stop it.
      if (halfOpen && !isolated) {
        const int enemies = CountBits(bp & zone);
        const int friends = CountBits(wp & (file | NeighbourFiles(f))) -
                            CountBits(wp & file & RanksBelow(s));
        if (enemies < friends) WhitePasserScore += Passers[r] / 3;
      }
    }
    if (wp & WhiteFrontSpan[s]) {
      WhiteDoubled += 1;
      doubledFiles |= file;
      if (halfOpen) score -= 50;
    }
  }
  mid += 60 * CountBits(wp & Centre);
  if (wp == 0) score = -30;
  return doubledFiles;
}

// The mirror image for Black, taking the pawns from the top of the board downwards so that
// the passer rank kept for a file is that of the most advanced (lowest) passer.
uint64_t PositionEvaluate::ScoreBlackPawns(int32_t& score, int32_t& mid, int32_t& end) {
  const uint64_t wp = bb->WhitePawns;
  const uint64_t bp = bb->BlackPawns;
  const uint64_t kingZone = BlackKingZone(BlackKingSq);
  const int kingFile = FileOf(BlackKingSq);
  uint64_t doubledFiles = 0;
  score = 0;
  for (uint64_t set = bp; set; set &= ~Bit(static_cast<int>(BSR(set)))) {
    const int s = static_cast<int>(BSR(set));
    const int f = FileOf(s);
    const int r = RankOf(s);
    const int own = 7 - r;   // rank counted from Black's side
    const uint64_t pawn = Bit(s);
    const uint64_t file = FileMasks[f];
    const bool halfOpen = (wp & file) == 0;
    bool isolated = false;
    score += BPawnSquare[s];
    if (f == 0 || f == 7) {
      if (f == 0 ? kingFile >= 4 : kingFile <= 3) score -= 5;
      if ((bp & NeighbourFiles(f)) == 0) {
        isolated = true;
        mid += 90;
        end += 90;
        if (halfOpen) score -= 50;
      }
    } else if ((bp & NeighbourFiles(f)) == 0) {
      isolated = true;
      mid += IsolatedPawn[f];
      end += IsolatedPawn[f];
      if (f == 3 || f == 4) score -= 10;
      if (halfOpen) score -= 50;
    } else if ((bp & NeighbourFiles(f) & ~RanksBelow(s)) == 0) {
      score -= halfOpen ? 80 : 40;
      BackwardPawns |= pawn;
    }
    const uint64_t zone = BlackPassedZone[s];
    if ((wp & zone) == 0) {
      if (isolated) score += 50;
      if (BackwardPawns & pawn) {
        score += 80;
        BackwardPawns &= ~pawn;
      }
      BlackPasserRank[f + 1] = static_cast<uint8_t>(r);
      BlackPasserCount = static_cast<int8_t>(BlackPasserCount + 1);
    } else {
      if ((kingZone & pawn) == 0) score += Passers[own] / 4;
      if (halfOpen && !isolated) {
        const int enemies = CountBits(wp & zone);
        const int friends = CountBits(bp & (file | NeighbourFiles(f))) -
                            CountBits(bp & file & RanksAbove(s));
        if (enemies < friends) BlackPasserScore += Passers[own] / 3;
      }
    }
    if (bp & WhiteFrontSpan[s]) {
      BlackDoubled += 1;
      doubledFiles |= file;
      if (halfOpen) score -= 50;
    }
  }
  mid -= 60 * CountBits(bp & Centre);
  if (bp == 0) score = -30;
  return doubledFiles;
}

// Values of the most advanced passer of each file: connected to a neighbour-file passer one
// rank apart or level, protected by a pawn diagonally behind, or plain.
void PositionEvaluate::ValueWhitePassers(uint64_t doubledFiles) {
  const uint64_t wp = bb->WhitePawns;
  for (int f = 0; f < 8; ++f) {
    const int r = WhitePasserRank[f + 1];
    if (r == 0) continue;
    PasserFlags |= 1;
    const int neighbour = WhitePasserRank[f] ? WhitePasserRank[f] : WhitePasserRank[f + 2];
    const int32_t* table = Passers;
    if (neighbour) {
      if (Abs(neighbour - r) <= 1) {
        table = ConnectedPassers.data();
        PasserFlags |= 3;
      }
    } else if (wp & NeighbourFiles(f) & RankMasks[r - 1]) {
      table = ProtectedPassers.data();
    }
    int32_t v = table[r];
    if (doubledFiles & FileMasks[f]) v = v * 15 / 16;
    WhitePasserScore += v;
  }
}

void PositionEvaluate::ValueBlackPassers(uint64_t doubledFiles) {
  const uint64_t bp = bb->BlackPawns;
  for (int f = 0; f < 8; ++f) {
    const int r = BlackPasserRank[f + 1];
    if (r == 0) continue;
    PasserFlags |= 16;
    const int neighbour = BlackPasserRank[f] ? BlackPasserRank[f] : BlackPasserRank[f + 2];
    const int32_t* table = Passers;
    if (neighbour) {
      if (Abs(neighbour - r) <= 1) {
        table = ConnectedPassers.data();
        PasserFlags |= 48;
      }
    } else if (r < 7 && (bp & NeighbourFiles(f) & RankMasks[r + 1])) {
      table = ProtectedPassers.data();
    }
    int32_t v = table[7 - r];
    if (doubledFiles & FileMasks[f]) v = v * 15 / 16;
    BlackPasserScore += v;
  }
}

// Passer terms that depend on the kings and the pieces, so they cannot be cached: the race
// against the enemy king, king proximity, support by minor pieces and a free path.
void PositionEvaluate::WhitePasserExtras(char side) {
  const uint64_t minors = WhiteKnightAttacks | WhiteBishopAttacks;
  for (int f = 0; f < 8; ++f) {
    const int r = WhitePasserRank[f + 1];
    if (r == 0) continue;
    const int p = 8 * r + f;
    const uint64_t pawn = Bit(p);
    if (DoesPawnPromote(0, r, Bit(56 + f), side)) WhitePasserScore += 150;
    const int own = Distance(WhiteKingSq, p);
    const int enemy = Distance(BlackKingSq, p);
    const int32_t k = KingProximityPasserPenalty[r];
    EndScore += (7 - own) * k / 2 + (enemy - 7) * k;
    if (minors & pawn) WhitePasserScore += Passers[r] / 32;
    if (minors & (pawn << 8)) WhitePasserScore += Passers[r] / 32;
    if (minors & (pawn << 16)) WhitePasserScore += Passers[r] / 64;
    if (r == 6) {
      const uint64_t path = pawn << 8;
      if ((bb->AllPieces & path) == 0 && (AllBlackAttacks & (path | pawn)) == 0)
        EndScore += Passers[6];
    } else if (r == 5) {
      const uint64_t path = (pawn << 8) | (pawn << 16);
      if ((bb->AllPieces & path) == 0 && (AllBlackAttacks & (path | pawn)) == 0)
        EndScore += Passers[5];
    }
  }
}

void PositionEvaluate::BlackPasserExtras(char side) {
  const uint64_t minors = BlackKnightAttacks | BlackBishopAttacks;
  for (int f = 0; f < 8; ++f) {
    const int r = BlackPasserRank[f + 1];
    if (r == 0) continue;
    const int own = 7 - r;
    const int p = 8 * r + f;
    const uint64_t pawn = Bit(p);
    if (DoesPawnPromote(1, r, Bit(f), side)) BlackPasserScore += 150;
    const int ownKing = Distance(BlackKingSq, p);
    const int enemyKing = Distance(WhiteKingSq, p);
    const int32_t k = KingProximityPasserPenalty[own];
    EndScore -= (7 - ownKing) * k / 2;
    EndScore += (7 - enemyKing) * k;
    if (minors & pawn) BlackPasserScore += Passers[own] / 32;
    if (minors & (pawn >> 8)) BlackPasserScore += Passers[own] / 32;
    if (minors & (pawn >> 16)) BlackPasserScore += Passers[own] / 64;
    if (r == 1) {
      const uint64_t path = pawn >> 8;
      if ((bb->AllPieces & path) == 0 && (AllWhiteAttacks & (path | pawn)) == 0)
        EndScore -= Passers[6];
    } else if (r == 2) {
      const uint64_t path = (pawn >> 8) | (pawn >> 16);
      if ((bb->AllPieces & path) == 0 && (AllWhiteAttacks & (path | pawn)) == 0)
        EndScore -= Passers[5];
    }
  }
}

int32_t PositionEvaluate::PawnEval04(char side) {
  CountUp(Phashattempts);
  PasserFlags = 0;
  WhitePasserCount = 0;
  BlackPasserCount = 0;
  WhiteDoubled = 0;
  BlackDoubled = 0;
  NoWhitePawnFiles = 0;
  NoBlackPawnFiles = 0;

  const ChessBoard& b = *bb;
  const uint64_t pawns = b.WhitePawns | b.BlackPawns;
  const uint32_t key = b.PawnKingKey;
  PawnHashEntry& entry = PawnHashArray[key & PawnHashIndexMask];
  int32_t whiteScore = 0, blackScore = 0, mid = 0, end = 0;

  if (InPawnHash(key, pawns)) {
    WhiteDoubled = entry.WhiteDoubled;
    BlackDoubled = entry.BlackDoubled;
    mid = entry.MidTerm;
    end = entry.EndTerm;
    BackwardPawns = entry.BackwardPawns;
    PawnFiles = entry.PawnFiles;
    OpenFiles = entry.OpenFiles;
    WhitePawnCover = entry.WhitePawnCover;
    BlackPawnCover = entry.BlackPawnCover;
    WhitePasserRank[0] = WhitePasserRank[9] = 0;
    BlackPasserRank[0] = BlackPasserRank[9] = 0;
    std::memcpy(WhitePasserRank + 1, entry.WhitePasserRank, 8);
    std::memcpy(BlackPasserRank + 1, entry.BlackPasserRank, 8);
    whiteScore = entry.WhitePawnScore;
    blackScore = entry.BlackPawnScore;
    WhitePasserScore = entry.WhitePasserScore;
    BlackPasserScore = entry.BlackPasserScore;
    WhitePasserCount = static_cast<int8_t>(entry.WhitePasserCount);
    BlackPasserCount = static_cast<int8_t>(entry.BlackPasserCount);
    PasserFlags = entry.PasserFlags;
    NoWhitePawnFiles = entry.NoWhitePawnFiles;
    NoBlackPawnFiles = entry.NoBlackPawnFiles;
  } else {
    CountUp(Phashmisses);
    const uint64_t whiteFiles = FileFill(b.WhitePawns);
    const uint64_t blackFiles = FileFill(b.BlackPawns);
    NoWhitePawnFiles = ~whiteFiles;
    NoBlackPawnFiles = ~blackFiles;
    PawnFiles = whiteFiles | blackFiles;
    OpenFiles = ~PawnFiles;
    std::memset(WhitePasserRank, 0, sizeof WhitePasserRank);
    std::memset(BlackPasserRank, 0, sizeof BlackPasserRank);
    BackwardPawns = 0;
    WhitePasserScore = 0;
    BlackPasserScore = 0;
    WhitePawnCover = WhitePawnAttacksOf(b.WhitePawns);
    BlackPawnCover = BlackPawnAttacksOf(b.BlackPawns);

    const uint64_t whiteDoubledFiles = ScoreWhitePawns(whiteScore, mid, end);
    ValueWhitePassers(whiteDoubledFiles);
    const uint64_t blackDoubledFiles = ScoreBlackPawns(blackScore, mid, end);
    ValueBlackPassers(blackDoubledFiles);

    entry.PawnKey = key;
    entry.Pawns = pawns;
    entry.WhiteDoubled = WhiteDoubled;
    entry.BlackDoubled = BlackDoubled;
    entry.MidTerm = mid;
    entry.BackwardPawns = BackwardPawns;
    entry.PawnFiles = PawnFiles;
    entry.OpenFiles = OpenFiles;
    entry.WhitePawnCover = WhitePawnCover;
    entry.BlackPawnCover = BlackPawnCover;
    std::memcpy(entry.WhitePasserRank, WhitePasserRank + 1, 8);
    entry.BlackPawnScore = blackScore;
    entry.WhitePawnScore = whiteScore;
    entry.BlackPasserScore = BlackPasserScore;
    entry.WhitePasserScore = WhitePasserScore;
    std::memcpy(entry.BlackPasserRank, BlackPasserRank + 1, 8);
    entry.BlackPasserCount = static_cast<uint8_t>(BlackPasserCount);
    entry.WhitePasserCount = static_cast<uint8_t>(WhitePasserCount);
    entry.PasserFlags = PasserFlags;
    entry.EndTerm = end;
    entry.NoBlackPawnFiles = NoBlackPawnFiles;
    entry.NoWhitePawnFiles = NoWhitePawnFiles;
  }

  MidScore += mid;
  EndScore += end;
  WhitePasserExtras(side);
  BlackPasserExtras(side);
  return whiteScore - blackScore;
}
