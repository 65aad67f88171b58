// Piece activity and king safety: attack maps, pawn shelter and storm, the weight of the
// attack on each king, piece-square tables and mobility, and trapped-piece patterns.
// Everything is scored from White's point of view.

#include <algorithm>

#include "board/attack_tables.h"
#include "board/bit_ops.h"
#include "board/masks.h"
#include "eval/eval_geometry.h"
#include "eval/eval_tables.h"
#include "eval/position_evaluate.h"

using namespace evalgeo;

namespace {

// The entry of a mobility table of N entries for a set of squares.
template <std::size_t N>
inline std::size_t MobilityIndex(uint64_t squares) {
  return std::min<std::size_t>(static_cast<std::size_t>(PopCount(squares)), N - 1);
}
template <std::size_t N>
inline int32_t MobilityValue(const std::array<int32_t, N>& table, uint64_t squares) {
  return table[MobilityIndex<N>(squares)];
}

// A rook's mobility weighs 1.4 times as much in the ending (rounded toward zero).
constexpr auto RookMobilityEnding = [] {
  std::array<int32_t, RookMobility.size()> table{};
  for (std::size_t i = 0; i < table.size(); ++i) table[i] = 14 * RookMobility[i] / 10;
  return table;
}();

// Squares worth counting for mobility: not our own, and not empty squares an enemy pawn covers.
inline uint64_t MobilityArea(uint64_t own, uint64_t empty, uint64_t enemyPawnCover) {
  return ~own & ~(empty & enemyPawnCover);
}

// The union of the attacks of a set of sliders; the attacks of the first of them (from the
// lowest square up) are kept one by one in each.
template <typename Attacks>
[[gnu::always_inline]] inline uint64_t SliderAttacksOf(uint64_t set, SliderAttacks& each, Attacks attacks) {
  uint64_t all = 0;
  for (std::size_t i = 0; set; set &= set - 1, ++i) {
    const uint64_t a = attacks(LowestSquare(set), bb->AllPieces);
    if (i < each.size()) each[i] = a;
    all |= a;
  }
  return all;
}

// The attacks of the slider numbered i (from the lowest square up) on square s: kept by the
// attack maps for the first few, worked out for any further ones.
template <typename Attacks>
[[gnu::always_inline]] inline uint64_t SliderAttacksAt(const SliderAttacks& each, std::size_t i, int s,
                                                        Attacks attacks) {
  return i < each.size() ? each[i] : attacks(s, bb->AllPieces);
}

// The two slider kinds as function objects for the helpers above, whose lookups then inline.
constexpr auto BishopAttacks = [](int s, uint64_t occupied) { return attacktab::Bishop(s, occupied); };
constexpr auto RookAttacks = [](int s, uint64_t occupied) { return attacktab::Rook(s, occupied); };

}  // namespace

template <int8_t Us>
[[gnu::always_inline]] inline void PositionEvaluate::AttackMapsOf() {
  const Army us = ArmyOf<Us>(*bb);
  uint64_t& pawns = Own<Us>(WhitePawnAttacks, BlackPawnAttacks);
  uint64_t& knights = Own<Us>(WhiteKnightAttacks, BlackKnightAttacks);
  uint64_t& bishops = Own<Us>(WhiteBishopAttacks, BlackBishopAttacks);
  uint64_t& rooks = Own<Us>(WhiteRookAttacks, BlackRookAttacks);
  uint64_t& queens = Own<Us>(WhiteQueenAttacks, BlackQueenAttacks);
  uint64_t& king = Own<Us>(WhiteKingAttacks, BlackKingAttacks);
  // The pawns' attacks are already part of the pawn structure; the knights' are looked up one
  // knight at a time, which costs nothing when there is none (the usual ending).
  pawns = Own<Us>(Pawn.WhitePawnCover, Pawn.BlackPawnCover);
  knights = 0;
  for (uint64_t set = us.Knights; set; set &= set - 1) knights |= attacktab::Knight[LowestSquare(set)];
  // The bishops' and rooks' attacks are kept piece by piece too, for their mobility.
  bishops = SliderAttacksOf(us.Bishops, Own<Us>(WhiteBishopAttacksEach, BlackBishopAttacksEach), BishopAttacks);
  rooks = SliderAttacksOf(us.Rooks, Own<Us>(WhiteRookAttacksEach, BlackRookAttacksEach), RookAttacks);
  queens = attacktab::QueensFrom(us.Queens, bb->AllPieces);
  king = us.King ? attacktab::King[LowestSquare(us.King)] : 0;
  Own<Us>(AllWhiteAttacks, AllBlackAttacks) = pawns | knights | bishops | rooks | queens | king;
}

void PositionEvaluate::AttackMasks() {
  AttackMapsOf<White>();
  AttackMapsOf<Black>();
}

// Penalty for one file of the king's shelter, counting the files that give little shelter.
template <int8_t Us>
[[gnu::always_inline]] inline int32_t PositionEvaluate::ShelterFilePenalty(uint64_t pawnsOnFile) {
  int32_t& open = Own<Us>(WhiteOpenShield, BlackOpenShield);
  if (pawnsOnFile == 0) {
    ++open;
    return 350;
  }
  // The pawn nearest the king shelters it: White's lowest, Black's highest; r is its rank
  // counted from the king's side.
  const int r = Us == White ? RankOf(LowestSquare(pawnsOnFile))
                            : 7 - RankOf(static_cast<int>(BSR(pawnsOnFile)));
  if (r >= 4) ++open;   // advanced three squares or more: little shelter left
  return 35 * (r - 1);
}

int32_t PositionEvaluate::PawnFilePenalty(char side, uint64_t pawnsOnFile) {
  return side == 0 ? ShelterFilePenalty<White>(pawnsOnFile) : ShelterFilePenalty<Black>(pawnsOnFile);
}

// Shelter penalty of Us's king: the pawns of its own file count double, unless a piece in front
// of the king makes up for a badly placed one.
template <int8_t Us>
[[gnu::always_inline]] inline int32_t PositionEvaluate::ShelterOf() {
  const Army us = ArmyOf<Us>(*bb);
  const int kingSq = Own<Us>(WhiteKingSq, BlackKingSq);
  Own<Us>(WhiteOpenShield, BlackOpenShield) = 0;

  int32_t penalty = ShelterFilePenalty<Us>(us.Pawns & Own<Us>(WhiteKingFile, BlackKingFile));
  // A piece standing right in front of the king shields it a little where the pawn is gone.
  const uint64_t front = Up<Us>(SquareMask(kingSq));
  if (!((us.Pieces & ~us.Pawns & front) && 2 * penalty >= 351)) penalty *= 2;

  const int f = FileOf(kingSq);
  const int right = f == 7 ? 5 : f + 1;
  const int left = f == 0 ? 2 : f - 1;
  penalty += ShelterFilePenalty<Us>(us.Pawns & FileMasks[right]);
  penalty += ShelterFilePenalty<Us>(us.Pawns & FileMasks[left]);
  return penalty;
}

int32_t PositionEvaluate::PawnShield(char side) {
  if (side == 0) return ShelterOf<White>();
  if (side == 1) return ShelterOf<Black>();
  return 0;
}

// Us's pawns advancing on the three files around the enemy king.
template <int8_t Us>
[[gnu::always_inline]] inline int32_t PositionEvaluate::StormBy() const {
  const uint64_t stormers = Own<Us>(bb->WhitePawns, bb->BlackPawns) &
                            ThreeFiles[FileOf(Own<Us>(BlackKingSq, WhiteKingSq))];
  // Ranks counted from the storming side: its sixth, fifth and fourth.
  auto on = [&](int rank) { return PopCount(stormers & RankMasks[RelativeRank<Us>(rank)]); };
  return 600 * on(5) + 300 * on(4) + 100 * on(3);
}

int32_t PositionEvaluate::PawnStorm(char side) { return side == 0 ? StormBy<White>() : StormBy<Black>(); }

// Danger to Us's king from the enemy pieces, less what its own pieces do to defend it.
template <int8_t Us>
[[gnu::always_inline]] inline int32_t PositionEvaluate::AttackOn() const {
  constexpr int8_t Them = Us == White ? Black : White;
  const Army us = ArmyOf<Us>(*bb);
  const Army them = ArmyOf<Them>(*bb);
  const int kingSq = Own<Us>(WhiteKingSq, BlackKingSq);
  const uint64_t king = SquareMask(kingSq);
  const uint64_t zone = Own<Us>(WhiteKingAttacks, BlackKingAttacks);
  const int32_t open = Own<Us>(WhiteOpenShield, BlackOpenShield);

  const uint64_t pawnAtt = Own<Them>(WhitePawnAttacks, BlackPawnAttacks);
  const uint64_t knightAtt = Own<Them>(WhiteKnightAttacks, BlackKnightAttacks);
  const uint64_t bishopAtt = Own<Them>(WhiteBishopAttacks, BlackBishopAttacks);
  const uint64_t rookAtt = Own<Them>(WhiteRookAttacks, BlackRookAttacks);
  const uint64_t queenAtt = Own<Them>(WhiteQueenAttacks, BlackQueenAttacks);
  const uint64_t allAtt = Own<Them>(AllWhiteAttacks, AllBlackAttacks);
  const uint64_t noAttackerPawnFiles = Own<Them>(Pawn.NoWhitePawnFiles, Pawn.NoBlackPawnFiles);

  // Weight of the attack and the number of piece kinds taking part.
  int32_t weight = 0, kinds = 0;
  if (pawnAtt & zone) weight += 1, kinds += 1;
  if ((knightAtt & (zone | king)) || (them.Knights & zone)) weight += 1, kinds += 1;
  if (bishopAtt & zone) weight += 1, kinds += 1;
  if (queenAtt & zone) weight += 4, kinds += 1;
  if (rookAtt & zone) weight += 2, kinds += 1;

  int32_t attack = (15 * PopCount(zone & allAtt) + 125 * weight) * (open + 1);
  if ((queenAtt & zone) && (rookAtt & zone)) attack += 360;
  if ((queenAtt | rookAtt) & zone) attack += 1620;
  // One kind of piece alone rarely breaks through.
  if (kinds < 2)
    attack = 0;
  else if (kinds <= 3)
    attack = kinds * attack / 4;

  const int32_t material = PopCount(them.Knights | them.Bishops | them.Rooks) + 2 * PopCount(them.Queens);
  const uint64_t wing = ThreeFiles[FileOf(kingSq)];
  int32_t total = attack + 5 * material * open +
                  10 * open * PopCount((them.Knights | them.Bishops | them.Rooks | them.Queens) & wing) +
                  30 * (open + 1) * (PopCount((them.Rooks | them.Queens) & wing & noAttackerPawnFiles) - 1);

  // Bishops and queens aiming down the long diagonals at a castled king.
  if (RelativeRank<Us>(RankOf(kingSq)) <= 1 && FileOf(kingSq) != 3 && FileOf(kingSq) != 4) {
    const bool kingside = FileOf(kingSq) >= 5;
    const uint64_t diagonals = (kingside == (Us == White)) ? DiagonalsToQueenside : DiagonalsToKingside;
    total += 10 * (open + 1) * PopCount((them.Bishops | them.Queens) & diagonals);
  }

  if (them.Queens == 0) total /= 2;

  const uint64_t defenders = us.Knights | us.Bishops | us.Rooks | us.Queens;
  int32_t defence = 100 * PopCount(defenders & zone);
  if (Own<Us>(WhiteQueenAttacks, BlackQueenAttacks) & zone) defence += 500;
  if (Own<Us>(WhiteKnightAttacks, BlackKnightAttacks) & zone) defence += 100;
  if (Own<Us>(WhiteBishopAttacks, BlackBishopAttacks) & zone) defence += 100;
  if (Own<Us>(WhiteRookAttacks, BlackRookAttacks) & zone) defence += 100;
  return total - defence;
}

int32_t PositionEvaluate::AttackCounts(char side) { return side == 0 ? AttackOn<White>() : AttackOn<Black>(); }

int32_t PositionEvaluate::KingSafety(bool whiteAttacks, bool blackAttacks, bool oppositeWings) {
  // One king after the other: its shelter first, as the attack on it reads the count of its
  // open files, then the attack and the enemy pawn storm.
  int32_t mid = 0;
  if (blackAttacks) {
    mid -= ShelterOf<White>();
    mid -= AttackOn<White>();
    const int32_t storm = StormBy<Black>();
    mid -= oppositeWings ? storm : storm / 2;
  }
  if (whiteAttacks) {
    mid += ShelterOf<Black>();
    mid += AttackOn<Black>();
    const int32_t storm = StormBy<White>();
    mid += oppositeWings ? storm : storm / 2;
  }
  return mid;
}

template <int8_t Us>
[[gnu::always_inline]] inline void PositionEvaluate::KnightsOf(int32_t& mid, int32_t& end) {
  constexpr int32_t S = Sign<Us>;
  const Army us = ArmyOf<Us>(*bb);
  const uint64_t theirPawns = Own<Us>(bb->BlackPawns, bb->WhitePawns);
  const uint64_t theirCover = Own<Us>(Pawn.BlackPawnCover, Pawn.WhitePawnCover);
  const uint64_t area = MobilityArea(us.Pieces, ~bb->AllPieces, theirCover);
  const SquareTable& square = Us == White ? WKnightSquare : BKnightSquare;
  const SquareTable& post = Us == White ? WKnightPost : BKnightPost;
  for (uint64_t set = us.Knights; set; set &= set - 1) {
    const int s = LowestSquare(set);
    mid += S * square[s];
    end += S * KnightEnding[s];
    // An outpost no enemy pawn can ever attack: neither square diagonally in front of it
    // holds one (outposts lie on files c to f, so no edge is crossed).
    if (post[s] && (theirPawns & PawnAttacksOf<Us>(SquareMask(s))) == 0) mid += S * post[s];
    const int32_t v = MobilityValue(KnightMobility, attacktab::Knight[s] & area);
    mid += S * v;
    end += S * v;
  }
}

int32_t PositionEvaluate::KnightEval(char /*side*/) {
  KnightsOf<White>(MidScore, EndScore);
  KnightsOf<Black>(MidScore, EndScore);
  return 0;
}

void PositionEvaluate::BishopsOfColour(BishopRecord& rec, bool white) {
  const ChessBoard& b = *bb;
  const uint64_t empty = ~b.AllPieces;
  const uint64_t bishops = white ? b.WhiteBishops : b.BlackBishops;
  const uint64_t own = white ? b.WhitePieces : b.BlackPieces;
  const uint64_t ownPawns = white ? b.WhitePawns : b.BlackPawns;
  const uint64_t enemyCover = white ? Pawn.BlackPawnCover : Pawn.WhitePawnCover;
  const SquareTable& square = white ? WBishopSquare : BBishopSquare;
  rec.Count = white ? b.WhiteBishopCount : b.BlackBishopCount;
  rec.FianchettoSquare = white ? SquareMask(G2) : SquareMask(G7);
  // The pawns that complete a fianchetto: one in front of the bishop and one beside it.
  const uint64_t frontPawn = white ? SquareMask(G3) : SquareMask(G6);
  const uint64_t sidePawns = white ? (SquareMask(F2) | SquareMask(H2)) : (SquareMask(F7) | SquareMask(H7));
  const uint64_t area = MobilityArea(own, empty, enemyCover);
  const SliderAttacks& each = white ? WhiteBishopAttacksEach : BlackBishopAttacksEach;
  int32_t mid = 0, end = 0, processed = 0;
  for (uint64_t set = bishops; set; set &= set - 1) {
    const int s = LowestSquare(set);
    mid += square[s];
    end += BishopEnding[s];
    const uint64_t attacks = SliderAttacksAt(each, static_cast<std::size_t>(processed), s, BishopAttacks);
    const int32_t v = MobilityValue(BishopMobility, attacks & area);
    mid += v;
    end += v;
    if (SquareMask(s) == rec.FianchettoSquare && (ownPawns & frontPawn) && (ownPawns & sidePawns))
      mid += 200;
    ++processed;
  }
  rec.Mid = mid;
  rec.End = end;
  rec.Processed = processed;
  rec.Bonus = rec.Count >= 2 ? 500 : 0;
}

int32_t PositionEvaluate::BishopEval(char /*side*/) {
  BishopsOfColour(WhiteBishopRecord, true);
  BishopsOfColour(BlackBishopRecord, false);
  MidScore += WhiteBishopRecord.Mid - BlackBishopRecord.Mid;
  EndScore += WhiteBishopRecord.End - BlackBishopRecord.End;
  return WhiteBishopRecord.Bonus - BlackBishopRecord.Bonus;
}

namespace {

// Whether a rook on rookRank stands behind the passer of colour C on its file, seen from C's
// side (a passer rank of 0 means no passer).
template <int8_t C>
[[gnu::always_inline]] inline bool BehindPasser(int passerRank, int rookRank) {
  if constexpr (C == White) return passerRank > rookRank;
  else return passerRank != 0 && passerRank < rookRank;
}

}  // namespace

template <int8_t Us>
[[gnu::always_inline]] inline void PositionEvaluate::RooksOf(int32_t& halfOpen, int32_t& mid, int32_t& end) {
  constexpr int32_t S = Sign<Us>;
  constexpr int8_t Them = Us == White ? Black : White;
  const Army us = ArmyOf<Us>(*bb);
  const uint64_t theirPawns = Own<Us>(bb->BlackPawns, bb->WhitePawns);
  const uint64_t theirCover = Own<Us>(Pawn.BlackPawnCover, Pawn.WhitePawnCover);
  const uint64_t noOwnPawnFiles = Own<Us>(Pawn.NoWhitePawnFiles, Pawn.NoBlackPawnFiles);
  const uint8_t* ourPassers = Own<Us>(Pawn.WhitePasserRank, Pawn.BlackPasserRank);
  const uint8_t* theirPassers = Own<Us>(Pawn.BlackPasserRank, Pawn.WhitePasserRank);
  const uint64_t area = MobilityArea(us.Pieces, ~bb->AllPieces, theirCover);
  const bool passers = (PasserRanksByFile(ourPassers) | PasserRanksByFile(theirPassers)) != 0;
  const SliderAttacks& each = Own<Us>(WhiteRookAttacksEach, BlackRookAttacksEach);
  std::size_t i = 0;
  for (uint64_t set = us.Rooks; set; set &= set - 1, ++i) {
    const int s = LowestSquare(set);
    const int f = FileOf(s);
    const int r = RankOf(s);
    const uint64_t rook = SquareMask(s);
    const uint64_t attacks = SliderAttacksAt(each, i, s, RookAttacks);
    const uint64_t mobility = attacks & area;
    const std::size_t n = MobilityIndex<RookMobility.size()>(mobility);
    mid += S * RookMobility[n];
    end += S * RookMobilityEnding[n];
    if (Pawn.OpenFiles & rook) {
      mid += S * 320;
      end += S * 140;
    } else {
      // On its first rank behind an enemy pawn that stands right in front of it.
      if (RelativeRank<Us>(r) == 0 && (theirPawns & Up<Us>(rook))) {
        mid -= S * 100;
        end -= S * 200;
      }
      if (noOwnPawnFiles & rook) halfOpen += S * 50;
    }
    // Rooks belong behind passed pawns, their own and the enemy's.
    if (!passers) continue;
    if (BehindPasser<Us>(ourPassers[f + 1], r)) {
      mid += S * 37;
      end += S * 75;
    }
    if (BehindPasser<Them>(theirPassers[f + 1], r)) {
      mid += S * 18;
      end += S * 37;
    }
  }
}

int32_t PositionEvaluate::RookEval(char /*side*/) {
  int32_t halfOpen = 0;
  RooksOf<White>(halfOpen, MidScore, EndScore);
  RooksOf<Black>(halfOpen, MidScore, EndScore);
  return halfOpen;
}

template <int8_t Us>
[[gnu::always_inline]] inline void PositionEvaluate::QueensOf(int32_t& mid, int32_t& end) {
  constexpr int32_t S = Sign<Us>;
  const Army us = ArmyOf<Us>(*bb);
  const uint64_t area =
      MobilityArea(us.Pieces, ~bb->AllPieces, Own<Us>(Pawn.BlackPawnCover, Pawn.WhitePawnCover));
  // Every square an enemy piece attacks: the union of its six attack maps.
  const uint64_t theirControl = Own<Us>(AllBlackAttacks, AllWhiteAttacks);
  for (uint64_t set = us.Queens; set; set &= set - 1) {
    const int s = LowestSquare(set);
    const uint64_t attacks = us.QueenCount < 2 ? Own<Us>(WhiteQueenAttacks, BlackQueenAttacks)
                                               : attacktab::Queen(s, bb->AllPieces);
    const uint64_t mobility = attacks & area;
    const int32_t v = MobilityValue(QueenMobility, mobility);
    mid += S * v;
    end += S * v;
    // A queen deep in enemy territory with almost no safe retreat may be trapped.
    if (RelativeRank<Us>(RankOf(s)) >= 4) {
      const int safe = PopCount(mobility & ~theirControl);
      if (safe < 2) end -= S * 3250 * (2 - safe);
    }
  }
}

int32_t PositionEvaluate::QueenEval(char /*side*/) {
  QueensOf<White>(MidScore, EndScore);
  QueensOf<Black>(MidScore, EndScore);
  return 0;
}

// The pieces add their terms up in locals, which stay in registers, and hand them over at the end.
[[gnu::flatten]] int32_t PositionEvaluate::PieceActivity(char side) {
  int32_t mid = 0, end = 0, halfOpen = 0;
  KnightsOf<White>(mid, end);
  KnightsOf<Black>(mid, end);
  RooksOf<White>(halfOpen, mid, end);
  RooksOf<Black>(halfOpen, mid, end);
  QueensOf<White>(mid, end);
  QueensOf<Black>(mid, end);
  MidScore += mid;
  EndScore += end;
  return BishopEval(side) + halfOpen;
}

namespace {

// Trapped-piece patterns of colour Us, as positive penalties; squares are named from White's
// side and mirrored for Black.
template <int8_t Us>
constexpr uint64_t At(int sq) { return RelativeMask<Us>(sq); }
inline bool All(uint64_t set, uint64_t squares) { return (set & squares) == squares; }

// Knights in a corner, shut in by enemy pawns.
template <int8_t Us>
[[gnu::always_inline]] inline int32_t TrappedKnights(uint64_t n, uint64_t p) {
  constexpr uint64_t Traps = At<Us>(H8) | At<Us>(H7) | At<Us>(G7) | At<Us>(A8) | At<Us>(A7) | At<Us>(B7);
  if ((n & Traps) == 0) return 0;   // the usual case: no knight near a corner
  int32_t t = 0;
  if ((n & At<Us>(H8)) && (p & (At<Us>(H7) | At<Us>(F7)))) t += 1219;
  if ((n & At<Us>(H7)) && (p & At<Us>(G7)) && (p & (At<Us>(H6) | At<Us>(F6)))) t += 1219;
  if ((n & At<Us>(G7)) && All(p, At<Us>(H7) | At<Us>(G6) | At<Us>(F7))) t += 1219;
  if ((n & At<Us>(A8)) && (p & (At<Us>(A7) | At<Us>(C7)))) t += 1219;
  if ((n & At<Us>(A7)) && (p & At<Us>(B7)) && (p & (At<Us>(A6) | At<Us>(C6)))) t += 1219;
  if ((n & At<Us>(B7)) && All(p, At<Us>(A7) | At<Us>(B6) | At<Us>(C7))) t += 1219;
  return t;
}

// A bishop that took a rook pawn and is now walled in (the Bxa7 ... b6 trap).
template <int8_t Us>
[[gnu::always_inline]] inline int32_t TrappedBishops(uint64_t bishops, uint64_t p) {
  constexpr uint64_t Traps = At<Us>(A7) | At<Us>(B8) | At<Us>(H7) | At<Us>(G8);
  if ((bishops & Traps) == 0) return 0;
  int32_t t = 0;
  if ((bishops & (At<Us>(A7) | At<Us>(B8))) && All(p, At<Us>(B6) | At<Us>(C7))) t += 1600;
  if ((bishops & (At<Us>(H7) | At<Us>(G8))) && All(p, At<Us>(G6) | At<Us>(F7))) t += 1600;
  return t;
}

// A rook locked in the corner by its own uncastled king, while the enemy has a heavy piece.
template <int8_t Us>
[[gnu::always_inline]] inline int32_t TrappedRook(uint64_t king, uint64_t rooks, uint64_t pawns, bool theirHeavy) {
  if ((king & (At<Us>(B1) | At<Us>(C1) | At<Us>(F1) | At<Us>(G1))) == 0) return 0;
  if ((king & (At<Us>(F1) | At<Us>(G1))) && (rooks & (At<Us>(G1) | At<Us>(H1))))
    return theirHeavy && (pawns & (At<Us>(F2) | At<Us>(G2) | At<Us>(H2))) ? 1670 : 0;
  if ((king & (At<Us>(B1) | At<Us>(C1))) && (rooks & (At<Us>(A1) | At<Us>(B1))))
    return theirHeavy && (pawns & (At<Us>(A2) | At<Us>(B2) | At<Us>(C2))) ? 1670 : 0;
  return 0;
}

}  // namespace

int32_t PositionEvaluate::Traps(char /*side*/) {
  const ChessBoard& b = *bb;
  const bool whiteHeavy = (b.WhiteQueens | b.WhiteRooks) != 0;
  const bool blackHeavy = (b.BlackQueens | b.BlackRooks) != 0;
  int32_t t = 0;
  t -= TrappedKnights<White>(b.WhiteKnights, b.BlackPawns);
  t += TrappedKnights<Black>(b.BlackKnights, b.WhitePawns);
  t -= TrappedBishops<White>(b.WhiteBishops, b.BlackPawns);
  t += TrappedBishops<Black>(b.BlackBishops, b.WhitePawns);
  t -= TrappedRook<White>(b.WhiteKing, b.WhiteRooks, b.WhitePawns, blackHeavy);
  t += TrappedRook<Black>(b.BlackKing, b.BlackRooks, b.BlackPawns, whiteHeavy);
  return t;
}
