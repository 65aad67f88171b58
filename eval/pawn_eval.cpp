// Pawn structure: isolated, backward, doubled and candidate pawns, passed pawns with their
// protected and connected forms, and the rule of the square in pure pawn endings. The
// structural part is cached in the pawn hash; the passer terms that depend on the kings and
// pieces are recomputed on every call.

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
template <int8_t Us>
[[gnu::always_inline]] inline uint64_t KingZone(int kingSq) {
  if (RelativeRank<Us>(RankOf(kingSq)) > 1) return 0;
  const int f = FileOf(kingSq);
  return (FileMasks[f] | NeighbourFiles(f)) & ~RanksBehind<Us>(kingSq);
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

namespace {

// The passed pawn of colour Us that queens first among those the enemy king cannot catch:
// the number of moves it needs (10 when there is none) and its promotion square.
template <int8_t Us>
[[gnu::always_inline]] inline int FirstUnstoppable(PositionEvaluate& pe, char side, uint64_t& queening) {
  const uint8_t* rank = Own<Us>(pe.Pawn.WhitePasserRank, pe.Pawn.BlackPasserRank);
  int first = 10;
  queening = 0;
  for (int f = 0; f < 8; ++f) {
    const int r = rank[f + 1];
    const int moves = 7 - RelativeRank<Us>(r);
    const uint64_t promotion = RelativeMask<Us>(56 + f);
    if (r && moves < first && pe.DoesPawnPromote(Us, r, promotion, side)) {
      first = moves;
      queening = promotion;
    }
  }
  return first;
}

}  // namespace

int32_t PositionEvaluate::RuleofSquare(char side) {
  if (WhiteNonPawnCount != 0 || BlackNonPawnCount != 0) return 0;
  return PawnRace(side);
}

// The race of the unstoppable passers in a pawn ending; out of line, as pieces are on the
// board at almost every call of RuleofSquare.
[[gnu::noinline]] int32_t PositionEvaluate::PawnRace(char side) {
  uint64_t whiteQueening, blackQueening;
  const int white = FirstUnstoppable<White>(*this, side, whiteQueening);
  const int black = FirstUnstoppable<Black>(*this, side, blackQueening);
  if (white == 10 && black == 10) return 0;
  if (white < black) return 5700;
  if (white > black) return -5700;

  // Both queen on the same move, the side to move first: its new queen may check, or cover
  // the other promotion square; then the other new queen may do the same. Seen from the
  // side to move; each king counts as near when within two squares of its own queening square.
  const ChessBoard& b = *bb;
  const bool blackKingNear = Distance(BlackKingSq, LowestSquare(blackQueening)) <= 2;
  const bool whiteKingNear = Distance(WhiteKingSq, LowestSquare(whiteQueening)) <= 2;
  auto race = [this](uint64_t ours, uint64_t theirs, uint64_t ourKing, uint64_t theirKing,
                     bool ourKingNear, bool theirKingNear) -> int32_t {
    if (QueenAttacks(0, ours, theirKing)) return theirKingNear ? 0 : 5700;
    int32_t v = 0;
    if (QueenAttacks(0, ours, theirs)) v = theirKingNear ? 0 : 5700;
    if (QueenAttacks(1, theirs, ourKing) && QueenAttacks(1, theirs, ours)) return ourKingNear ? 0 : -5700;
    return v;
  };
  if (side == 0)
    return race(whiteQueening, blackQueening, b.WhiteKing, b.BlackKing, whiteKingNear, blackKingNear);
  return -race(blackQueening, whiteQueening, b.BlackKing, b.WhiteKing, blackKingNear, whiteKingNear);
}

// The pawns of colour Us on a pawn-hash miss, worked out set-wise. Adds to Us's pawn score
// and the middlegame/endgame pawn terms and returns the files holding doubled pawns. The passer
// rank kept for a file is that of its most advanced passer.
template <int8_t Us>
[[gnu::always_inline]] inline uint64_t PositionEvaluate::ScorePawns() {
  constexpr int32_t S = Sign<Us>;
  constexpr uint64_t EdgeFiles = FileA | FileH;
  constexpr uint64_t CentreFiles = FileD | FileE;
  const uint64_t ours = Own<Us>(bb->WhitePawns, bb->BlackPawns);
  const uint64_t theirs = Own<Us>(bb->BlackPawns, bb->WhitePawns);
  const int kingSq = Own<Us>(WhiteKingSq, BlackKingSq);
  const int kingFile = FileOf(kingSq);
  const SquareTable& pawnSquare = Us == White ? WPawnSquare : BPawnSquare;
  int32_t& score = Own<Us>(Pawn.WhitePawnScore, Pawn.BlackPawnScore);
  score = 0;

  // Pawns on files without an enemy pawn, without a pawn of their own beside them (isolated),
  // with no neighbour level with them or behind them to defend them one day (backward, not
  // said of rook pawns), with no enemy pawn in front on their own or a neighbouring file
  // (passed), and with a pawn of their own in front (doubled).
  const uint64_t halfOpen = ours & Own<Us>(Pawn.NoBlackPawnFiles, Pawn.NoWhitePawnFiles);
  const uint64_t isolated = ours & ~Beside(~Own<Us>(Pawn.NoWhitePawnFiles, Pawn.NoBlackPawnFiles));
  const uint64_t backward = ours & ~EdgeFiles & ~isolated & ~FillUp<Us>(Beside(ours));
  const uint64_t passed = ours & ~Down<Us>(FillDown<Us>(theirs | Beside(theirs)));
  const uint64_t doubled = ours & Down<Us>(FillDown<Us>(ours));

  for (uint64_t set = ours; set; set &= set - 1) score += pawnSquare[LowestSquare(set)];
  // A rook pawn on the wing away from its king is slightly weaker.
  if (kingFile >= 4) score -= 5 * PopCount(ours & FileA);
  if (kingFile <= 3) score -= 5 * PopCount(ours & FileH);

  // Isolated pawns: 90 on the rook files, 100 on the knight and bishop files, 110 in the centre.
  const int32_t isolation = 90 * PopCount(isolated) + 10 * PopCount(isolated & ~EdgeFiles) +
                            10 * PopCount(isolated & CentreFiles);
  Pawn.MidTerm -= S * isolation;
  Pawn.EndTerm -= S * isolation;
  score -= 10 * PopCount(isolated & CentreFiles) + 50 * PopCount(isolated & halfOpen);
  score -= 80 * PopCount(backward & halfOpen) + 40 * PopCount(backward & ~halfOpen);

  // A passed pawn takes back the penalty of being isolated or backward.
  score += 50 * PopCount(passed & isolated) + 80 * PopCount(passed & backward);
  Pawn.BackwardPawns |= backward & ~passed;
  // White's passers from a1 upwards and Black's from h8 downwards: the last one written for a
  // file is its most advanced.
  uint8_t* passerRank = Own<Us>(Pawn.WhitePasserRank, Pawn.BlackPasserRank);
  for (uint64_t set = passed; set;) {
    const int p = Us == White ? LowestSquare(set) : static_cast<int>(BSR(set));
    set ^= SquareMask(p);
    passerRank[FileOf(p) + 1] = static_cast<uint8_t>(RankOf(p));
  }
  int8_t& passerCount = Own<Us>(Pawn.WhitePasserCount, Pawn.BlackPasserCount);
  passerCount = static_cast<int8_t>(passerCount + PopCount(passed));

  // The other pawns earn a part of a passer's value for their advance, outside the king's
  // shelter.
  const uint64_t advancing = ours & ~passed & ~KingZone<Us>(kingSq);
  for (int own = 1; own <= 6; ++own)
    score += Passers[own] / 4 * PopCount(advancing & RankMasks[RelativeRank<Us>(own)]);
  // A candidate: its own pawns outnumber the enemy pawns that can stop it.
  for (uint64_t set = halfOpen & ~isolated & ~passed; set; set &= set - 1) {
    const int s = LowestSquare(set);
    const int f = FileOf(s);
    const uint64_t file = FileMasks[f];
    const int enemies = PopCount(theirs & PassedZone<Us>()[s]);
    const int friends = PopCount(ours & (file | NeighbourFiles(f))) -
                        PopCount(ours & file & RanksBehind<Us>(s));
    if (enemies < friends)
      Own<Us>(Pawn.WhitePasserScore, Pawn.BlackPasserScore) += Passers[RelativeRank<Us>(RankOf(s))] / 3;
  }

  Own<Us>(Pawn.WhiteDoubled, Pawn.BlackDoubled) += PopCount(doubled);
  score -= 50 * PopCount(doubled & halfOpen);
  Pawn.MidTerm += S * 60 * PopCount(ours & Centre);
  if (ours == 0) score = -30;
  return FileFill(doubled);
}

// Values of the most advanced passer of each file: connected to a neighbour-file passer one
// rank apart or level, protected by a pawn diagonally behind, or plain.
template <int8_t Us>
[[gnu::always_inline]] inline void PositionEvaluate::ValuePassers(uint64_t doubledFiles) {
  constexpr uint8_t Passed = Us == White ? 1 : 16;
  constexpr uint8_t Connected = Us == White ? 3 : 48;
  const uint64_t ours = Own<Us>(bb->WhitePawns, bb->BlackPawns);
  const uint8_t* rank = Own<Us>(Pawn.WhitePasserRank, Pawn.BlackPasserRank);
  int32_t& passerScore = Own<Us>(Pawn.WhitePasserScore, Pawn.BlackPasserScore);
  for (uint64_t ranks = PasserRanksByFile(rank); ranks;) {
    const int f = LowestSquare(ranks) / 8;
    const int r = static_cast<int>((ranks >> (8 * f)) & 0xff);
    ranks &= ~(uint64_t{0xff} << (8 * f));
    Pawn.PasserFlags |= Passed;
    const int neighbour = rank[f] ? rank[f] : rank[f + 2];
    const int32_t* table = Passers.data();
    if (neighbour) {
      if (Abs(neighbour - r) <= 1) {
        table = ConnectedPassers.data();
        Pawn.PasserFlags |= Connected;
      }
    } else if (ours & NeighbourFiles(f) & Down<Us>(RankMasks[r])) {
      table = ProtectedPassers.data();
    }
    int32_t v = table[RelativeRank<Us>(r)];
    if (doubledFiles & FileMasks[f]) v = v * 15 / 16;
    passerScore += v;
  }
}

// Passer terms that depend on the kings and the pieces, so they cannot be cached: the race
// against the enemy king, king proximity, support by minor pieces and a free path.
template <int8_t Us>
[[gnu::always_inline]] inline void PositionEvaluate::PasserExtras(char side) {
  constexpr int32_t S = Sign<Us>;
  const uint64_t minors = Own<Us>(WhiteKnightAttacks, BlackKnightAttacks) |
                          Own<Us>(WhiteBishopAttacks, BlackBishopAttacks);
  const uint64_t enemyAttacks = Own<Us>(AllBlackAttacks, AllWhiteAttacks);
  const int ourKing = Own<Us>(WhiteKingSq, BlackKingSq);
  const int theirKing = Own<Us>(BlackKingSq, WhiteKingSq);
  int32_t& passerScore = Own<Us>(Pawn.WhitePasserScore, Pawn.BlackPasserScore);
  for (uint64_t ranks = PasserRanksByFile(Own<Us>(Pawn.WhitePasserRank, Pawn.BlackPasserRank)); ranks;) {
    const int f = LowestSquare(ranks) / 8;
    const int r = static_cast<int>((ranks >> (8 * f)) & 0xff);
    ranks &= ~(uint64_t{0xff} << (8 * f));
    const int own = RelativeRank<Us>(r);
    const int p = 8 * r + f;
    const uint64_t pawn = SquareMask(p);
    if (DoesPawnPromote(Us, r, RelativeMask<Us>(56 + f), side)) passerScore += 150;
    const int32_t k = KingProximityPasserPenalty[own];
    EndScore += S * ((7 - Distance(ourKing, p)) * k / 2 + (Distance(theirKing, p) - 7) * k);
    if (minors & pawn) passerScore += Passers[own] / 32;
    if (minors & Up<Us>(pawn)) passerScore += Passers[own] / 32;
    if (minors & Up<Us>(pawn, 2)) passerScore += Passers[own] / 64;
    if (own == 6) {
      const uint64_t path = Up<Us>(pawn);
      if ((bb->AllPieces & path) == 0 && (enemyAttacks & (path | pawn)) == 0)
        EndScore += S * Passers[6];
    } else if (own == 5) {
      const uint64_t path = Up<Us>(pawn) | Up<Us>(pawn, 2);
      if ((bb->AllPieces & path) == 0 && (enemyAttacks & (path | pawn)) == 0)
        EndScore += S * Passers[5];
    }
  }
}

// A pawn-hash miss: the structure is worked out pawn by pawn and stored in the entry. Kept out
// of line so that the usual hit costs no more than the probe and the copy.
[[gnu::noinline]] void PositionEvaluate::ScorePawnStructure(PawnHashEntry& entry) {
  CountUp(Phashmisses);
  const ChessBoard& b = *bb;
  Pawn = PawnStructure{};
  const uint64_t whiteFiles = FileFill(b.WhitePawns);
  const uint64_t blackFiles = FileFill(b.BlackPawns);
  Pawn.NoWhitePawnFiles = ~whiteFiles;
  Pawn.NoBlackPawnFiles = ~blackFiles;
  Pawn.PawnFiles = whiteFiles | blackFiles;
  Pawn.OpenFiles = ~Pawn.PawnFiles;
  Pawn.WhitePawnCover = PawnAttacksOf<White>(b.WhitePawns);
  Pawn.BlackPawnCover = PawnAttacksOf<Black>(b.BlackPawns);

  const uint64_t whiteDoubledFiles = ScorePawns<White>();
  ValuePassers<White>(whiteDoubledFiles);
  const uint64_t blackDoubledFiles = ScorePawns<Black>();
  ValuePassers<Black>(blackDoubledFiles);

  entry.PawnKey = b.PawnKingKey;
  entry.Pawns = b.WhitePawns | b.BlackPawns;
  entry.Pawn = Pawn;
}

int32_t PositionEvaluate::PawnStructureTerms() {
  CountUp(Phashattempts);
  const ChessBoard& b = *bb;
  const uint32_t key = b.PawnKingKey;
  PawnHashEntry& entry = PawnHashArray[key & PawnHashIndexMask];
  if (InPawnHash(key, b.WhitePawns | b.BlackPawns))
    Pawn = entry.Pawn;
  else
    ScorePawnStructure(entry);

  MidScore += Pawn.MidTerm;
  EndScore += Pawn.EndTerm;
  return Pawn.WhitePawnScore - Pawn.BlackPawnScore;
}

void PositionEvaluate::PassedPawnTerms(char side) {
  PasserExtras<White>(side);
  PasserExtras<Black>(side);
}

int32_t PositionEvaluate::PawnEval04(char side) {
  const int32_t score = PawnStructureTerms();
  PassedPawnTerms(side);
  return score;
}
