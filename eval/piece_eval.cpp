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

template <std::size_t N>
inline int32_t MobilityValue(const std::array<int32_t, N>& table, uint64_t squares) {
  return table[std::min<std::size_t>(static_cast<std::size_t>(CountBits(squares)), N - 1)];
}

// Squares worth counting for mobility: not our own, and not empty squares an enemy pawn covers.
inline uint64_t UsefulSquares(uint64_t attacks, uint64_t own, uint64_t empty, uint64_t enemyPawnCover) {
  return attacks & ~own & ~(empty & enemyPawnCover);
}

}  // namespace

void PositionEvaluate::AttackMasks() {
  const ChessBoard& b = *bb;
  WhitePawnAttacks = WhitePawnAttacksOf(b.WhitePawns);
  BlackPawnAttacks = BlackPawnAttacksOf(b.BlackPawns);
  WhiteKnightAttacks = KnightAttacksOf(b.WhiteKnights);
  BlackKnightAttacks = KnightAttacksOf(b.BlackKnights);
  WhiteBishopAttacks = attacktab::BishopsFrom(b.WhiteBishops, b.AllPieces);
  BlackBishopAttacks = attacktab::BishopsFrom(b.BlackBishops, b.AllPieces);
  WhiteRookAttacks = attacktab::RooksFrom(b.WhiteRooks, b.AllPieces);
  BlackRookAttacks = attacktab::RooksFrom(b.BlackRooks, b.AllPieces);
  WhiteQueenAttacks = attacktab::QueensFrom(b.WhiteQueens, b.AllPieces);
  BlackQueenAttacks = attacktab::QueensFrom(b.BlackQueens, b.AllPieces);
  WhiteKingAttacks = KingAttacksOf(b.WhiteKing);
  BlackKingAttacks = KingAttacksOf(b.BlackKing);
  AllWhiteAttacks = WhitePawnAttacks | WhiteKnightAttacks | WhiteBishopAttacks | WhiteRookAttacks |
                    WhiteQueenAttacks | WhiteKingAttacks;
  AllBlackAttacks = BlackPawnAttacks | BlackKnightAttacks | BlackBishopAttacks | BlackRookAttacks |
                    BlackQueenAttacks | BlackKingAttacks;
}

int32_t PositionEvaluate::PawnFilePenalty(char side, uint64_t pawnsOnFile) {
  if (side == 0) {
    if (pawnsOnFile == 0) {
      ++WhiteOpenShield;
      return 350;
    }
    const int r = RankOf(LowestSquare(pawnsOnFile));
    if (r >= 4) ++WhiteOpenShield;   // advanced three squares or more: little shelter left
    return 35 * (r - 1);
  }
  if (pawnsOnFile == 0) {
    ++BlackOpenShield;
    return 350;
  }
  const int r = RankOf(static_cast<int>(BSR(pawnsOnFile)));
  if (r <= 3) ++BlackOpenShield;
  return 35 * (6 - r);
}

int32_t PositionEvaluate::PawnShield(char side) {
  if (side != 0 && side != 1) return 0;
  const ChessBoard& b = *bb;
  const bool white = side == 0;
  const int kingSq = white ? WhiteKingSq : BlackKingSq;
  const uint64_t pawns = white ? b.WhitePawns : b.BlackPawns;
  const uint64_t own = white ? b.WhitePieces : b.BlackPieces;
  const uint64_t kingFile = white ? WhiteKingFile : BlackKingFile;
  (white ? WhiteOpenShield : BlackOpenShield) = 0;

  int32_t penalty = PawnFilePenalty(side, pawns & kingFile);
  // A piece standing right in front of the king shields it a little where the pawn is gone.
  const uint64_t front = white ? Bit(kingSq) << 8 : Bit(kingSq) >> 8;
  if (!((own & ~pawns & front) && 2 * penalty >= 351)) penalty *= 2;

  const int f = FileOf(kingSq);
  const int right = f == 7 ? 5 : f + 1;
  const int left = f == 0 ? 2 : f - 1;
  penalty += PawnFilePenalty(side, pawns & FileMasks[right]);
  penalty += PawnFilePenalty(side, pawns & FileMasks[left]);
  return penalty;
}

int32_t PositionEvaluate::PawnStorm(char side) {
  const ChessBoard& b = *bb;
  if (side == 0) {
    const uint64_t stormers = b.WhitePawns & ThreeFiles[FileOf(BlackKingSq)];
    return 600 * CountBits(stormers & Rank6) + 300 * CountBits(stormers & Rank5) +
           100 * CountBits(stormers & Rank4);
  }
  const uint64_t stormers = b.BlackPawns & ThreeFiles[FileOf(WhiteKingSq)];
  return 600 * CountBits(stormers & Rank3) + 300 * CountBits(stormers & Rank4) +
         100 * CountBits(stormers & Rank5);
}

int32_t PositionEvaluate::AttackCounts(char side) {
  const ChessBoard& b = *bb;
  const bool white = side == 0;   // the defender
  const int kingSq = white ? WhiteKingSq : BlackKingSq;
  const uint64_t king = Bit(kingSq);
  const uint64_t zone = white ? WhiteKingAttacks : BlackKingAttacks;
  const int32_t open = white ? WhiteOpenShield : BlackOpenShield;

  const uint64_t pawnAtt = white ? BlackPawnAttacks : WhitePawnAttacks;
  const uint64_t knightAtt = white ? BlackKnightAttacks : WhiteKnightAttacks;
  const uint64_t bishopAtt = white ? BlackBishopAttacks : WhiteBishopAttacks;
  const uint64_t rookAtt = white ? BlackRookAttacks : WhiteRookAttacks;
  const uint64_t queenAtt = white ? BlackQueenAttacks : WhiteQueenAttacks;
  const uint64_t allAtt = white ? AllBlackAttacks : AllWhiteAttacks;
  const uint64_t knights = white ? b.BlackKnights : b.WhiteKnights;
  const uint64_t bishops = white ? b.BlackBishops : b.WhiteBishops;
  const uint64_t rooks = white ? b.BlackRooks : b.WhiteRooks;
  const uint64_t queens = white ? b.BlackQueens : b.WhiteQueens;
  const uint64_t noAttackerPawnFiles = white ? NoBlackPawnFiles : NoWhitePawnFiles;

  // Weight of the attack and the number of piece kinds taking part.
  int32_t weight = 0, kinds = 0;
  if (pawnAtt & zone) weight += 1, kinds += 1;
  if ((knightAtt & (zone | king)) || (knights & zone)) weight += 1, kinds += 1;
  if (bishopAtt & zone) weight += 1, kinds += 1;
  if (queenAtt & zone) weight += 4, kinds += 1;
  if (rookAtt & zone) weight += 2, kinds += 1;

  int32_t attack = (15 * CountBits(zone & allAtt) + 125 * weight) * (open + 1);
  if ((queenAtt & zone) && (rookAtt & zone)) attack += 360;
  if ((queenAtt | rookAtt) & zone) attack += 1620;
  // One kind of piece alone rarely breaks through.
  if (kinds < 2)
    attack = 0;
  else if (kinds <= 3)
    attack = kinds * attack / 4;

  const int32_t material = CountBits(knights | bishops | rooks) + 2 * CountBits(queens);
  const uint64_t wing = ThreeFiles[FileOf(kingSq)];
  int32_t total = attack + 5 * material * open +
                  10 * open * CountBits((knights | bishops | rooks | queens) & wing) +
                  30 * (open + 1) * (CountBits((rooks | queens) & wing & noAttackerPawnFiles) - 1);

  // Bishops and queens aiming down the long diagonals at a castled king.
  const int homeRank = white ? RankOf(kingSq) : 7 - RankOf(kingSq);
  if (homeRank <= 1 && FileOf(kingSq) != 3 && FileOf(kingSq) != 4) {
    const bool kingside = FileOf(kingSq) >= 5;
    const uint64_t diagonals = (kingside == white) ? DiagonalsToQueenside : DiagonalsToKingside;
    total += 10 * (open + 1) * CountBits((bishops | queens) & diagonals);
  }

  if (queens == 0) total /= 2;

  const uint64_t defenders = white ? (b.WhiteKnights | b.WhiteBishops | b.WhiteRooks | b.WhiteQueens)
                                   : (b.BlackKnights | b.BlackBishops | b.BlackRooks | b.BlackQueens);
  int32_t defence = 100 * CountBits(defenders & zone);
  if ((white ? WhiteQueenAttacks : BlackQueenAttacks) & zone) defence += 500;
  if ((white ? WhiteKnightAttacks : BlackKnightAttacks) & zone) defence += 100;
  if ((white ? WhiteBishopAttacks : BlackBishopAttacks) & zone) defence += 100;
  if ((white ? WhiteRookAttacks : BlackRookAttacks) & zone) defence += 100;
  return total - defence;
}

int32_t PositionEvaluate::KnightEval(char /*side*/) {
  const ChessBoard& b = *bb;
  const uint64_t empty = ~b.AllPieces;
  for (uint64_t set = b.WhiteKnights; set; set &= set - 1) {
    const int s = LowestSquare(set);
    MidScore += WKnightSquare[s];
    EndScore += KnightEnding[s];
    // An outpost no black pawn can ever attack (outposts lie on files c to f, so s+7 and s+9
    // are the two squares diagonally in front).
    if (WKnightPost[s] && (b.BlackPawns & (Bit(s + 7) | Bit(s + 9))) == 0) MidScore += WKnightPost[s];
    const int32_t v = MobilityValue(
        KnightMobility, UsefulSquares(KnightAttacksOf(Bit(s)), b.WhitePieces, empty, BlackPawnCover));
    MidScore += v;
    EndScore += v;
  }
  for (uint64_t set = b.BlackKnights; set; set &= set - 1) {
    const int s = LowestSquare(set);
    MidScore -= BKnightSquare[s];
    EndScore -= KnightEnding[s];
    if (BKnightPost[s] && (b.WhitePawns & (Bit(s - 7) | Bit(s - 9))) == 0) MidScore -= BKnightPost[s];
    const int32_t v = MobilityValue(
        KnightMobility, UsefulSquares(KnightAttacksOf(Bit(s)), b.BlackPieces, empty, WhitePawnCover));
    MidScore -= v;
    EndScore -= v;
  }
  return 0;
}

void PositionEvaluate::BishopsOfColour(BishopRecord& rec, bool white) {
  const ChessBoard& b = *bb;
  const uint64_t empty = ~b.AllPieces;
  const uint64_t bishops = white ? b.WhiteBishops : b.BlackBishops;
  const uint64_t own = white ? b.WhitePieces : b.BlackPieces;
  const uint64_t ownPawns = white ? b.WhitePawns : b.BlackPawns;
  const uint64_t enemyCover = white ? BlackPawnCover : WhitePawnCover;
  const SquareTable& square = white ? WBishopSquare : BBishopSquare;
  rec.Count = white ? b.WhiteBishopCount : b.BlackBishopCount;
  rec.FianchettoSquare = white ? Bit(G2) : Bit(G7);
  rec.Bonus = rec.Mid = rec.End = rec.Processed = 0;
  // The pawns that complete a fianchetto: one in front of the bishop and one beside it.
  const uint64_t frontPawn = white ? Bit(G3) : Bit(G6);
  const uint64_t sidePawns = white ? (Bit(F2) | Bit(H2)) : (Bit(F7) | Bit(H7));
  for (uint64_t set = bishops; set; set &= set - 1) {
    const int s = LowestSquare(set);
    rec.Mid += square[s];
    rec.End += BishopEnding[s];
    const uint64_t attacks = rec.Count < 2 ? (white ? WhiteBishopAttacks : BlackBishopAttacks)
                                           : attacktab::Bishop(s, b.AllPieces);
    const int32_t v = MobilityValue(BishopMobility, UsefulSquares(attacks, own, empty, enemyCover));
    rec.Mid += v;
    rec.End += v;
    if (Bit(s) == rec.FianchettoSquare && (ownPawns & frontPawn) && (ownPawns & sidePawns))
      rec.Mid += 200;
    ++rec.Processed;
  }
  if (rec.Count >= 2) rec.Bonus = 500;
}

int32_t PositionEvaluate::BishopEval(char /*side*/) {
  BishopsOfColour(WhiteBishopRecord, true);
  BishopsOfColour(BlackBishopRecord, false);
  MidScore += WhiteBishopRecord.Mid - BlackBishopRecord.Mid;
  EndScore += WhiteBishopRecord.End - BlackBishopRecord.End;
  return WhiteBishopRecord.Bonus - BlackBishopRecord.Bonus;
}

int32_t PositionEvaluate::RookEval(char /*side*/) {
  const ChessBoard& b = *bb;
  const uint64_t empty = ~b.AllPieces;
  int32_t halfOpen = 0;
  for (uint64_t set = b.WhiteRooks; set; set &= set - 1) {
    const int s = LowestSquare(set);
    const int f = FileOf(s);
    const int r = RankOf(s);
    const uint64_t attacks = b.WhiteRookCount < 2 ? WhiteRookAttacks : attacktab::Rook(s, b.AllPieces);
    const int32_t v = MobilityValue(RookMobility, UsefulSquares(attacks, b.WhitePieces, empty, BlackPawnCover));
    MidScore += v;
    EndScore += 14 * v / 10;
    if (OpenFiles & Bit(s)) {
      MidScore += 320;
      EndScore += 140;
    } else {
      if (r == 0 && (b.BlackPawns & (Bit(s) << 8))) {
        MidScore -= 100;
        EndScore -= 200;
      }
      if (NoWhitePawnFiles & Bit(s)) halfOpen += 50;
    }
    // Rooks belong behind passed pawns, their own and the enemy's.
    if (WhitePasserRank[f + 1] > r) {
      MidScore += 37;
      EndScore += 75;
    }
    if (BlackPasserRank[f + 1] != 0 && BlackPasserRank[f + 1] < r) {
      MidScore += 18;
      EndScore += 37;
    }
  }
  for (uint64_t set = b.BlackRooks; set; set &= set - 1) {
    const int s = LowestSquare(set);
    const int f = FileOf(s);
    const int r = RankOf(s);
    const uint64_t attacks = b.BlackRookCount < 2 ? BlackRookAttacks : attacktab::Rook(s, b.AllPieces);
    const int32_t v = MobilityValue(RookMobility, UsefulSquares(attacks, b.BlackPieces, empty, WhitePawnCover));
    MidScore -= v;
    EndScore -= 14 * v / 10;
    if (OpenFiles & Bit(s)) {
      MidScore -= 320;
      EndScore -= 140;
    } else {
      if (r == 7 && (b.WhitePawns & (Bit(s) >> 8))) {
        MidScore += 100;
        EndScore += 200;
      }
      if (NoBlackPawnFiles & Bit(s)) halfOpen -= 50;
    }
    if (BlackPasserRank[f + 1] != 0 && BlackPasserRank[f + 1] < r) {
      MidScore -= 37;
      EndScore -= 75;
    }
    if (WhitePasserRank[f + 1] > r) {
      MidScore -= 18;
      EndScore -= 37;
    }
  }
  return halfOpen;
}

int32_t PositionEvaluate::QueenEval(char /*side*/) {
  const ChessBoard& b = *bb;
  const uint64_t empty = ~b.AllPieces;
  const uint64_t blackControl = BlackQueenAttacks | BlackRookAttacks | BlackBishopAttacks |
                                BlackKnightAttacks | BlackPawnAttacks | BlackKingAttacks;
  const uint64_t whiteControl = WhiteQueenAttacks | WhiteRookAttacks | WhiteBishopAttacks |
                                WhiteKnightAttacks | WhitePawnAttacks | WhiteKingAttacks;
  for (uint64_t set = b.WhiteQueens; set; set &= set - 1) {
    const int s = LowestSquare(set);
    const uint64_t attacks = b.WhiteQueenCount < 2
                                 ? WhiteQueenAttacks
                                 : attacktab::Queen(s, b.AllPieces);
    const uint64_t mobility = UsefulSquares(attacks, b.WhitePieces, empty, BlackPawnCover);
    const int32_t v = MobilityValue(QueenMobility, mobility);
    MidScore += v;
    EndScore += v;
    // A queen deep in enemy territory with almost no safe retreat may be trapped.
    if (RankOf(s) >= 4) {
      const int safe = CountBits(mobility & ~blackControl);
      if (safe < 2) EndScore -= 3250 * (2 - safe);
    }
  }
  for (uint64_t set = b.BlackQueens; set; set &= set - 1) {
    const int s = LowestSquare(set);
    const uint64_t attacks = b.BlackQueenCount < 2
                                 ? BlackQueenAttacks
                                 : attacktab::Queen(s, b.AllPieces);
    const uint64_t mobility = UsefulSquares(attacks, b.BlackPieces, empty, WhitePawnCover);
    const int32_t v = MobilityValue(QueenMobility, mobility);
    MidScore -= v;
    EndScore -= v;
    if (RankOf(s) <= 3) {
      const int safe = CountBits(mobility & ~whiteControl);
      if (safe < 2) EndScore += 3250 * (2 - safe);
    }
  }
  return 0;
}

int32_t PositionEvaluate::Traps(char /*side*/) {
  const ChessBoard& b = *bb;
  const uint64_t wn = b.WhiteKnights, bn = b.BlackKnights;
  const uint64_t wb = b.WhiteBishops, bbish = b.BlackBishops;
  const uint64_t wp = b.WhitePawns, bp = b.BlackPawns;
  auto has = [](uint64_t set, int sq) { return (set & Bit(sq)) != 0; };
  auto all = [](uint64_t set, uint64_t squares) { return (set & squares) == squares; };
  int32_t t = 0;

  // Knights in a corner, shut in by enemy pawns.
  if (has(wn, H8) && (bp & (Bit(H7) | Bit(F7)))) t -= 1219;
  if (has(wn, H7) && has(bp, G7) && (bp & (Bit(H6) | Bit(F6)))) t -= 1219;
  if (has(wn, G7) && all(bp, Bit(H7) | Bit(G6) | Bit(F7))) t -= 1219;
  if (has(wn, A8) && (bp & (Bit(A7) | Bit(C7)))) t -= 1219;
  if (has(wn, A7) && has(bp, B7) && (bp & (Bit(A6) | Bit(C6)))) t -= 1219;
  if (has(wn, B7) && all(bp, Bit(A7) | Bit(B6) | Bit(C7))) t -= 1219;
  if (has(bn, H1) && (wp & (Bit(H2) | Bit(F2)))) t += 1219;
  if (has(bn, H2) && has(wp, G2) && (wp & (Bit(H3) | Bit(F3)))) t += 1219;
  if (has(bn, G2) && all(wp, Bit(H2) | Bit(G3) | Bit(F2))) t += 1219;
  if (has(bn, A1) && (wp & (Bit(A2) | Bit(C2)))) t += 1219;
  if (has(bn, A2) && has(wp, B2) && (wp & (Bit(A3) | Bit(C3)))) t += 1219;
  if (has(bn, B2) && all(wp, Bit(A2) | Bit(B3) | Bit(C2))) t += 1219;

  // A bishop that took a rook pawn and is now walled in (the Bxa7 ... b6 trap).
  if ((wb & (Bit(A7) | Bit(B8))) && all(bp, Bit(B6) | Bit(C7))) t -= 1600;
  if ((wb & (Bit(H7) | Bit(G8))) && all(bp, Bit(G6) | Bit(F7))) t -= 1600;
  if ((bbish & (Bit(A2) | Bit(B1))) && all(wp, Bit(B3) | Bit(C2))) t += 1600;
  if ((bbish & (Bit(H2) | Bit(G1))) && all(wp, Bit(G3) | Bit(F2))) t += 1600;

  // A rook locked in the corner by its own uncastled king.
  const bool blackHeavy = (b.BlackQueens | b.BlackRooks) != 0;
  const bool whiteHeavy = (b.WhiteQueens | b.WhiteRooks) != 0;
  if ((b.WhiteKing & (Bit(F1) | Bit(G1))) && (b.WhiteRooks & (Bit(G1) | Bit(H1)))) {
    if (blackHeavy && (wp & (Bit(F2) | Bit(G2) | Bit(H2)))) t -= 1670;
  } else if ((b.WhiteKing & (Bit(B1) | Bit(C1))) && (b.WhiteRooks & (Bit(A1) | Bit(B1)))) {
    if (blackHeavy && (wp & (Bit(A2) | Bit(B2) | Bit(C2)))) t -= 1670;
  }
  if ((b.BlackKing & (Bit(F8) | Bit(G8))) && (b.BlackRooks & (Bit(G8) | Bit(H8)))) {
    if (whiteHeavy && (bp & (Bit(F7) | Bit(G7) | Bit(H7)))) t += 1670;
  } else if ((b.BlackKing & (Bit(B8) | Bit(C8))) && (b.BlackRooks & (Bit(A8) | Bit(B8)))) {
    if (whiteHeavy && (bp & (Bit(A7) | Bit(B7) | Bit(C7)))) t += 1670;
  }
  return t;
}
