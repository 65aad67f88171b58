// The evaluation driver: material and game phase, the blend of middlegame and endgame terms,
// king placement, endgame corrections and the two lazy exits.

#include "eval/position_evaluate.h"

#include <algorithm>
#include <cstdio>

#include "board/bit_ops.h"
#include "board/masks.h"
#include "board/piece_values.h"
#include "eval/eval_geometry.h"
#include "eval/eval_tables.h"

using namespace evalgeo;

thread_local constinit PositionEvaluate PE{};
thread_local constinit ChessBoard* bb = nullptr;

namespace {

// A board without a king can only come from a broken set-up; read it as a1 rather than
// scanning an empty set.
inline int KingSquareOf(uint64_t king) { return king ? LowestSquare(king) : 0; }

// Middlegame and endgame terms weighed by the game phase (1 = middlegame, 24 = pawn ending).
inline int32_t Blend(int32_t phase, int32_t mid, int32_t end) {
  return ((24 - phase) * mid + phase * end) / 24;
}

inline bool OnQueenside(int sq) { return FileOf(sq) <= 3; }
inline bool OnKingside(int sq) { return FileOf(sq) >= 5; }

// Against pawns, a side left with a single minor piece (minor is its count of that kind) and
// nothing else is usually fighting for the draw.
template <int8_t Us>
inline bool LoneMinorAgainstPawns(const ChessBoard& b, int32_t minor, int8_t theirNonPawns) {
  if (minor != 1) return false;
  const Army us = ArmyOf<Us>(b);
  const Army them = ArmyOf<Us == White ? Black : White>(b);
  return us.QueenCount + us.RookCount + us.BishopCount + us.KnightCount + us.PawnCount == 1 &&
         them.PawnCount >= 1 && theirNonPawns == 0;
}

// Doubled pawns hurt most when no heavy piece can use the half-open files they leave.
inline int32_t DoubledPawnWeight(int32_t queens, int32_t rooks) {
  if (queens == 0 && rooks == 0) return 190;
  if (queens == 0 && rooks == 1) return 125;
  return 62;
}

// A lone bishop is hampered by the enemy pawns standing on squares of its colour.
inline int32_t PawnsOnBishopColour(uint64_t bishops, uint64_t enemyPawns) {
  const uint64_t colour = (bishops & LightSquares) ? LightSquares : DarkSquares;
  return 50 * PopCount(enemyPawns & colour);
}

}  // namespace

int PositionEvaluate::MaterialOnly(char side, int /*bound*/, ChessBoard& board) {
  const int32_t material =
      QueenValue * (board.WhiteQueenCount - board.BlackQueenCount) +
      RookValue * (board.WhiteRookCount - board.BlackRookCount) +
      MinorValue * (board.WhiteBishopCount + board.WhiteKnightCount - board.BlackBishopCount -
                    board.BlackKnightCount) +
      PawnValue * (board.WhitePawnCount - board.BlackPawnCount);
  return side ? -material : material;
}

int PositionEvaluate::SideMaterialValue(char side, ChessBoard* board) {
  const Army a = side ? ArmyOf<Black>(*board) : ArmyOf<White>(*board);
  return QueenValue * a.QueenCount + RookValue * a.RookCount + MinorValue * (a.BishopCount + a.KnightCount);
}

int32_t PositionEvaluate::KingEval(char /*side*/) {
  MidScore += WKingSquare[WhiteKingSq] - BKingSquare[BlackKingSq];
  EndScore += KingEnding[WhiteKingSq] - KingEnding[BlackKingSq];
  // With no pawns left, the side with the pieces wants its king near the lone king.
  const int distance = Distance(WhiteKingSq, BlackKingSq);
  if ((bb->WhitePawns | bb->BlackPawns) == 0) {
    if (BlackNonPawnCount == 0 && WhiteNonPawnCount >= 1) return -80 * distance;
    if (WhiteNonPawnCount == 0 && BlackNonPawnCount >= 1) return 80 * distance;
  }
  return 0;
}

int32_t PositionEvaluate::DynamicPieceAdjustments(int32_t /*phase*/) {
  const ChessBoard& b = *bb;
  int32_t adjust = 0;
  // A lone minor piece leaves a single piece on the whole board besides kings and pawns.
  if (WhiteNonPawnCount + BlackNonPawnCount == 1) {
    if (LoneMinorAgainstPawns<White>(b, b.WhiteBishopCount, BlackNonPawnCount)) adjust -= 750;
    if (LoneMinorAgainstPawns<Black>(b, b.BlackBishopCount, WhiteNonPawnCount)) adjust += 750;
    if (LoneMinorAgainstPawns<White>(b, b.WhiteKnightCount, BlackNonPawnCount)) adjust -= 800;
    if (LoneMinorAgainstPawns<Black>(b, b.BlackKnightCount, WhiteNonPawnCount)) adjust += 800;
  }
  // Most structures have no doubled pawns: the weight is looked up only for those that do.
  if (Pawn.WhiteDoubled)
    adjust -= DoubledPawnWeight(b.WhiteQueenCount, b.WhiteRookCount) * Pawn.WhiteDoubled;
  if (Pawn.BlackDoubled)
    adjust += DoubledPawnWeight(b.BlackQueenCount, b.BlackRookCount) * Pawn.BlackDoubled;
  return adjust;
}

// Rooks and queens on the seventh, where they attack pawns or confine the king.
template <int8_t Us>
[[gnu::always_inline]] inline void PositionEvaluate::HeavyPiecesOnSeventh() {
  constexpr int32_t S = Sign<Us>;
  const Army us = ArmyOf<Us>(*bb);
  const Army them = ArmyOf<Us == White ? Black : White>(*bb);
  const uint64_t seventh = RankMasks[RelativeRank<Us>(6)] | RankMasks[RelativeRank<Us>(7)];
  if (((us.Rooks | us.Queens) & seventh) == 0) return;   // the usual case: none there
  if ((them.Pawns & RankMasks[RelativeRank<Us>(6)]) || (them.King & RankMasks[RelativeRank<Us>(7)])) {
    const int32_t v = Majorson7[std::min(PopCount(us.Rooks & seventh), 15)];
    EndScore += S * v;
    MidScore += S * (v / 2);
    if (us.Queens & seventh) EndScore += S * 200;
  }
}

// Squares of the centre attacked by Us's knights, bishops and rooks, once per piece kind.
template <int8_t Us>
[[gnu::always_inline]] inline int32_t PositionEvaluate::CentreSquaresAttacked() const {
  return PopCount(Centre & Own<Us>(WhiteKnightAttacks, BlackKnightAttacks)) +
         PopCount(Centre & Own<Us>(WhiteBishopAttacks, BlackBishopAttacks)) +
         PopCount(Centre & Own<Us>(WhiteRookAttacks, BlackRookAttacks));
}

// Control of the centre by minor pieces and rooks (middlegame term, White's view).
int32_t PositionEvaluate::CentreControl() const {
  return 30 * (CentreSquaresAttacked<White>() - CentreSquaresAttacked<Black>());
}

namespace {

// No static score comes near a mate score, however much material is on the board (a FEN may
// set up nine queens a side): the search must always prefer a mate to material.
constexpr int32_t StaticScoreBound = 100000;
int32_t Bounded(int32_t score) { return std::clamp(score, -StaticScoreBound, StaticScoreBound); }

}  // namespace

// The small terms of this file are folded into the driver, which runs at every leaf.
[[gnu::flatten]] int PositionEvaluate::PosEval(char side, int alpha, int beta, ChessBoard* board, char /*flag*/) {
  return Evaluate<false>(side, alpha, beta, board, nullptr);
}

void PositionEvaluate::EvaluateTerms(char side, ChessBoard* board, EvalReport& report) {
  report.Count = 0;
  report.Phase = 0;
  report.Total = Evaluate<true>(side, -StaticScoreBound, StaticScoreBound, board, &report);
}

// With Report, each stage's share of the score is written to report as the change of the running
// total (White's view, middlegame and endgame parts blended at the current phase); the search's
// instance has none of that code.
template <bool Report>
int PositionEvaluate::Evaluate(char side, int alpha, int beta, ChessBoard* board, EvalReport* report) {
  [[maybe_unused]] int32_t reported = 0;
  // Records the term that takes the running total to total.
  [[maybe_unused]] auto note = [&](const char* name, int32_t total) {
    if (report->Count < EvalReport::MaxTerms) report->Terms[report->Count++] = EvalTerm{name, total - reported};
    reported = total;
  };
  MidScore = 0;
  EndScore = 0;
  bb = board;
  const ChessBoard& b = *board;
  PrefetchPawnEntry(b.PawnKingKey);  // seldom in the cache; the material work hides the wait
  const bool blackToMove = side != 0;
  WhiteKingSq = KingSquareOf(b.WhiteKing);
  BlackKingSq = KingSquareOf(b.BlackKing);
  WhiteKingFile = FileMasks[FileOf(WhiteKingSq)];
  BlackKingFile = FileMasks[FileOf(BlackKingSq)];

  const int32_t WQ = b.WhiteQueenCount, WR = b.WhiteRookCount, WB = b.WhiteBishopCount,
                WN = b.WhiteKnightCount, WP = b.WhitePawnCount;
  const int32_t BQ = b.BlackQueenCount, BR = b.BlackRookCount, BB = b.BlackBishopCount,
                BN = b.BlackKnightCount, BP = b.BlackPawnCount;

  const int32_t pieceMaterial =
      QueenValue * (WQ - BQ) + RookValue * (WR - BR) + MinorValue * (WB + WN - BB - BN);
  WhiteNonPawnCount = static_cast<int8_t>(WQ + WR + WB + WN);
  BlackNonPawnCount = static_cast<int8_t>(BQ + BR + BB + BN);

  // Without pawns, balanced material is a draw to be played for with the king, and one extra
  // minor piece is rarely enough to win; both are settled here.
  if (WP == 0 && BP == 0) {
    const int own = blackToMove ? BlackKingSq : WhiteKingSq;
    const int opp = blackToMove ? WhiteKingSq : BlackKingSq;
    if (WB + WN == BB + BN && WhiteNonPawnCount == BlackNonPawnCount && WR == BR) {
      if constexpr (Report) {
        const int32_t v = KingEnding[own] - KingEnding[opp];
        note("Balanced pawnless ending: king placement only", blackToMove ? -v : v);
      }
      return Bounded(KingEnding[own] - KingEnding[opp]);
    }
    const int32_t minorDiff = (WB + WN) - (BB + BN);
    if (WR == BR && WQ == BQ && (minorDiff == 1 || minorDiff == -1) &&
        !(WB == 2 && BB == 0 && BN == 1) && !(WB == 0 && BB == 2 && WN == 1)) {
      const int32_t v =
          KingEnding[WhiteKingSq] - KingEnding[BlackKingSq] + 3 * pieceMaterial / 4;
      if constexpr (Report) note("Pawnless ending, one minor piece up: kings and 3/4 material", v);
      return Bounded(blackToMove ? -v : v);
    }
  }

  Phase = 24 - (WhiteNonPawnCount + BlackNonPawnCount) - (WR + BR) - 3 * (WQ + BQ);
  if (Phase < 1) Phase = 1;
  if constexpr (Report) report->Phase = Phase;

  const int32_t pawnDiff = WP - BP;
  int32_t score = pieceMaterial + PawnValue * pawnDiff + 200 * pawnDiff * Phase / 24;
  if constexpr (Report) note("Material", score);
  score += PawnStructureTerms();
  if constexpr (Report) note("Pawn structure", score + Blend(Phase, MidScore, EndScore));
  // Up to the first lazy exit only passed pawns read the attack maps; without any, the maps
  // wait until the exit has been passed.
  const bool passers =
      (PasserRanksByFile(Pawn.WhitePasserRank) | PasserRanksByFile(Pawn.BlackPasserRank)) != 0;
  if (passers) {
    AttackMasks();
    PassedPawnTerms(side);
  }

  MidScore += 13 * Pawn.WhitePasserScore / 10 - 13 * Pawn.BlackPasserScore / 10;
  EndScore += 19 * Pawn.WhitePasserScore / 10 - 19 * Pawn.BlackPasserScore / 10;
  if constexpr (Report) note("Passed pawns", score + Blend(Phase, MidScore, EndScore));

  score += KingEval(side);
  score += Blend(Phase, MidScore, EndScore);
  if constexpr (Report) note("King placement", score);
  MidScore = 0;
  EndScore = 0;

  // Rook against a lone minor piece is usually a draw: halve whatever the score says.
  if (WP == 0 && BP == 0 && WhiteNonPawnCount + BlackNonPawnCount == 2 &&
      ((WR == 1 && BB + BN == 1) || (BR == 1 && WB + WN == 1))) {
    const int32_t half = score / 2;
    if constexpr (Report) note("Rook against a minor piece: halved", half);
    return Bounded(blackToMove ? -half : half);
  }

  // First lazy exit: six pawns outside the window cannot be mended by the remaining terms.
  {
    const int32_t s = blackToMove ? -score : score;
    if (s + 6000 < alpha || s - 6000 > beta) return Bounded(s);
  }

  if (!passers) AttackMasks();

  score += RuleofSquare(side);
  if constexpr (Report) note("Pawn races (rule of the square)", score);

  if (BB == 1) EndScore -= PawnsOnBishopColour(b.BlackBishops, b.WhitePawns);
  if (WB == 1) EndScore += PawnsOnBishopColour(b.WhiteBishops, b.BlackPawns);
  if constexpr (Report) note("Pawns on the lone bishop's colour", score + Blend(Phase, MidScore, EndScore));

  const int32_t traps = Traps(side);
  MidScore += traps;
  EndScore += traps;
  if constexpr (Report) note("Trapped pieces", score + Blend(Phase, MidScore, EndScore));

  // King safety matters only while the attacker has enough pieces to mount an attack.
  const bool whiteAttacks = WhiteNonPawnCount >= 2 && (WQ >= 1 || WhiteNonPawnCount >= 4);
  const bool blackAttacks = BlackNonPawnCount >= 2 && (BQ >= 1 || BlackNonPawnCount >= 4);
  const bool oppositeWings = (OnQueenside(WhiteKingSq) && OnKingside(BlackKingSq)) ||
                             (OnKingside(WhiteKingSq) && OnQueenside(BlackKingSq));
  MidScore += KingSafety(whiteAttacks, blackAttacks, oppositeWings);
  if constexpr (Report) note("King safety", score + Blend(Phase, MidScore, EndScore));

  HeavyPiecesOnSeventh<White>();
  HeavyPiecesOnSeventh<Black>();
  if constexpr (Report) note("Rooks and queens on the seventh", score + Blend(Phase, MidScore, EndScore));

  score += DynamicPieceAdjustments(Phase) + Blend(Phase, MidScore, EndScore);
  if constexpr (Report) note("Lone minor piece against pawns", score);
  MidScore = 0;
  EndScore = 0;

  // Second lazy exit, before mobility: two pawns outside the window.
  {
    const int32_t s = blackToMove ? -score : score;
    if (s + 2000 < alpha || s - 2000 > beta) return Bounded(s);
  }

  // Control of the centre by minor pieces and rooks, each square once per piece kind.
  MidScore = CentreControl();
  if constexpr (Report) note("Centre control", score + Blend(Phase, MidScore, EndScore));

  score += PieceActivity(side);
  score += Blend(Phase, MidScore, EndScore);
  if constexpr (Report) note("Piece activity", score);

  // A side that cannot mate loses the value of a pawn (the two cancel in the normal case).
  if (b.MatingMaterial & 1) score += 800;
  if (b.MatingMaterial & 32) score -= 800;

  // A single minor piece against pawns: the pawns are worth more than the count suggests.
  if (WP >= 1 && BP == 0 && WQ == BQ && WR == BR && BB + BN == WB + WN + 1) score += 1100;
  if (WP == 0 && BP >= 1 && WQ == BQ && WR == BR && WB + WN == BB + BN + 1) score -= 1100;

  // Bishops of opposite colours draw many endings a pawn or two down: pull the score three
  // quarters of the way back towards the bare material balance.
  if (WhiteNonPawnCount == BlackNonPawnCount && pieceMaterial == 0 && WB == 1 && BB == 1 &&
      WN + BN + WR + BR + WQ + BQ == 0 && pawnDiff >= -3 && pawnDiff <= 3 &&
      ((b.WhitePawns | b.BlackPawns) & ~(FileA | FileH)) != 0 &&
      ((b.WhiteBishops & LightSquares) != 0) != ((b.BlackBishops & LightSquares) != 0)) {
    score -= 3 * (score - MaterialOnly(0, alpha, *board)) / 4;
  }

  const int32_t rounded = score / 10 * 10;
  if constexpr (Report) note("Endgame corrections and rounding", rounded);
  return Bounded(blackToMove ? -rounded : rounded);
}

void PrintEvaluation(const ChessBoard& board) {
  ChessBoard copy = board;
  copy.InitPieceCounts();
  EvalReport report;
  PE.EvaluateTerms(copy.SideToMove, &copy, report);
  printf("Evaluation terms (White's view; a pawn is 800)\n");
  for (int i = 0; i < report.Count; i++) printf("  %-44s %7d\n", report.Terms[i].Name, report.Terms[i].Value);
  if (report.Phase > 0) printf("Game phase %d (1 middlegame .. 24 pawn ending)\n", report.Phase);
  printf("Static evaluation for the side to move: %d\n", report.Total);
  fflush(stdout);
}
