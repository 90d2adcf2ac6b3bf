#include "engine/bitboards.h"

#include <mutex>

namespace kelvane::attacks {

Bitboard gKnight[64];
Bitboard gKing[64];
Bitboard gPawn[2][64];
Magic gRookMagic[64];
Magic gBishopMagic[64];
Bitboard gBetween[64][64];
Bitboard gLine[64][64];

namespace {

// Every subset of the rook and bishop masks has a slot: 102400 and 5248 in all.
Bitboard gRookTable[0x19000];
Bitboard gBishopTable[0x1480];

constexpr int kRookSteps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
constexpr int kBishopSteps[4][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};

bool OnBoard(int file, int rank) {
  return file >= 0 && file < 8 && rank >= 0 && rank < 8;
}

// The squares a slider reaches from s walking each step until a blocker (included).
Bitboard Slide(const int (&steps)[4][2], Square s, Bitboard occupied) {
  Bitboard result = 0;
  for (const auto& step : steps) {
    int f = FileOf(s) + step[0], r = RankOf(s) + step[1];
    for (; OnBoard(f, r); f += step[0], r += step[1]) {
      result |= Bit(MakeSquare(f, r));
      if (occupied & Bit(MakeSquare(f, r))) break;
    }
  }
  return result;
}

// A xorshift generator with fixed seeds (one per rank), so a search gives the same magics on
// every run.
struct Random {
  uint64_t state;
  uint64_t Next() {
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return state * 2685821657736338717ULL;
  }
  uint64_t Sparse() { return Next() & Next() & Next(); }
};

// Magics found by the search below, so that start-up only fills the tables; the search is
// the fall-back for a magic that would not fit.
constexpr Bitboard kRookMagics[64] = {
    0xa80004000801220ULL,  0x8040004010002008ULL, 0x2080200010008008ULL, 0x1100100008210004ULL,
    0xc200209084020008ULL, 0x2100010004000208ULL, 0x400081000822421ULL,  0x200010422048844ULL,
    0x800800080400024ULL,  0x1402000401000ULL,    0x3000801000802001ULL, 0x4400800800100083ULL,
    0x904802402480080ULL,  0x4040800400020080ULL, 0x18808042000100ULL,   0x4040800080004100ULL,
    0x40048001458024ULL,   0xa0004000205000ULL,   0x3100808010002000ULL, 0x4825010010000820ULL,
    0x5004808008000401ULL, 0x2024818004000a00ULL, 0x5808002000100ULL,    0x2100060004806104ULL,
    0x80400880008421ULL,   0x4062220600410280ULL, 0x10a004a00108022ULL,  0x100080080080ULL,
    0x21000500080010ULL,   0x44000202001008ULL,   0x100400080102ULL,     0xc020128200040545ULL,
    0x80002000400040ULL,   0x804000802004ULL,     0x120022004080ULL,     0x10a386103001001ULL,
    0x9010080080800400ULL, 0x8440020080800400ULL, 0x4228824001001ULL,    0x490a000084ULL,
    0x80002000504000ULL,   0x200020005000c000ULL, 0x12088020420010ULL,   0x10010080080800ULL,
    0x85001008010004ULL,   0x2000204008080ULL,    0x40413002040008ULL,   0x304081020004ULL,
    0x80204000800080ULL,   0x3008804000290100ULL, 0x1010100080200080ULL, 0x2008100208028080ULL,
    0x5000850800910100ULL, 0x8402019004680200ULL, 0x120911028020400ULL,  0x8044010200ULL,
    0x20850200244012ULL,   0x20850200244012ULL,   0x102001040841ULL,     0x140900040a100021ULL,
    0x200282410a102ULL,    0x200282410a102ULL,    0x200282410a102ULL,    0x4048240043802106ULL,
};
constexpr Bitboard kBishopMagics[64] = {
    0x9060124418008010ULL, 0x20010250810120ULL,   0x2010010220280081ULL, 0x2806004050c040ULL,
    0x2021018000000ULL,    0x2001112010000400ULL, 0x881010120218080ULL,  0x1030820110010500ULL,
    0x120222042400ULL,     0x2000020404040044ULL, 0x8000480094208000ULL, 0x3422a02000001ULL,
    0xa220210100040ULL,    0x8004820202226000ULL, 0x18234854100800ULL,   0x100004042101040ULL,
    0x4001004082820ULL,    0x10000810010048ULL,   0x1014004208081300ULL, 0x2080818802044202ULL,
    0x40880c00a00100ULL,   0x80400200522010ULL,   0x1000188180b04ULL,    0x80249202020204ULL,
    0x1004400004100410ULL, 0x13100a0022206ULL,    0x2148500001040080ULL, 0x4241080011004300ULL,
    0x4020848004002000ULL, 0x10101380d1004100ULL, 0x8004422020284ULL,    0x1010a1041008080ULL,
    0x808080400082121ULL,  0x808080400082121ULL,  0x91128200100c00ULL,   0x202200802010104ULL,
    0x8c0a020200440085ULL, 0x1a0008080b10040ULL,  0x889520080122800ULL,  0x100902022202010aULL,
    0x4081a0816002000ULL,  0x681208005000ULL,     0x8170840041008802ULL, 0xa00004200810805ULL,
    0x830404408210100ULL,  0x2602208106006102ULL, 0x1048300680802628ULL, 0x2602208106006102ULL,
    0x602010120110040ULL,  0x941010801043000ULL,  0x40440a210428ULL,     0x8240020880021ULL,
    0x400002012048200ULL,  0xac102001210220ULL,   0x220021002009900ULL,  0x84440c080a013080ULL,
    0x1008044200440ULL,    0x4c04410841000ULL,    0x2000500104011130ULL, 0x1a0c010011c20229ULL,
    0x44800112202200ULL,   0x434804908100424ULL,  0x300404822c08200ULL,  0x48081010008a2a80ULL,
};

// Finds a magic per square that maps every blocker subset of its mask to a slot holding
// that subset's attacks; slots shared by subsets with the same attacks are allowed.
void InitMagics(const int (&steps)[4][2], const Bitboard* known, Magic* magics, Bitboard* table) {
  static Bitboard occupancy[4096], reference[4096];
  static int epoch[4096];
  constexpr uint64_t kSeeds[8] = {728, 10316, 55013, 32803, 12281, 15100, 16645, 255};
  int attempt = 0;
  Bitboard* next = table;
  for (Square s = 0; s < 64; ++s) {
    const Bitboard edges = ((RankBB(0) | RankBB(7)) & ~RankBB(RankOf(s))) |
                           ((FileBB(0) | FileBB(7)) & ~FileBB(FileOf(s)));
    Magic& m = magics[s];
    m.mask = Slide(steps, s, 0) & ~edges;
    m.shift = 64 - Count(m.mask);
    m.table = next;
    int size = 0;
    Bitboard b = 0;
    do {  // every subset of the mask (carry-rippler)
      occupancy[size] = b;
      reference[size++] = Slide(steps, s, b);
      b = (b - m.mask) & m.mask;
    } while (b);
    Bitboard* slots = next;
    Random random{kSeeds[RankOf(s)]};
    for (int i = 0, tries = 0; i < size; ++tries) {
      m.magic = tries ? 0 : known[s];
      while (tries && Count((m.magic * m.mask) >> 56) < 6) m.magic = random.Sparse();
      ++attempt;
      for (i = 0; i < size; ++i) {
        const unsigned idx = m.Index(occupancy[i]);
        if (epoch[idx] < attempt) {
          epoch[idx] = attempt;
          slots[idx] = reference[i];
        } else if (slots[idx] != reference[i]) {
          break;
        }
      }
    }
    next += size;
  }
}

void InitAll() {
  for (Square s = 0; s < 64; ++s) {
    const int f = FileOf(s), r = RankOf(s);
    constexpr int kKnightSteps[8][2] = {{1, 2},   {2, 1},   {2, -1}, {1, -2},
                                        {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
    for (const auto& st : kKnightSteps)
      if (OnBoard(f + st[0], r + st[1])) gKnight[s] |= Bit(MakeSquare(f + st[0], r + st[1]));
    for (int df = -1; df <= 1; ++df)
      for (int dr = -1; dr <= 1; ++dr)
        if ((df || dr) && OnBoard(f + df, r + dr)) gKing[s] |= Bit(MakeSquare(f + df, r + dr));
    gPawn[kWhite][s] = PawnAttacksBB(kWhite, Bit(s));
    gPawn[kBlack][s] = PawnAttacksBB(kBlack, Bit(s));
  }
  InitMagics(kRookSteps, kRookMagics, gRookMagic, gRookTable);
  InitMagics(kBishopSteps, kBishopMagics, gBishopMagic, gBishopTable);
  for (Square a = 0; a < 64; ++a) {
    for (Square b = 0; b < 64; ++b) {
      if (a == b) continue;
      for (PieceType t : {kBishop, kRook}) {
        if (!(AttacksOf(t, a, 0) & Bit(b))) continue;
        gLine[a][b] = (AttacksOf(t, a, 0) & AttacksOf(t, b, 0)) | Bit(a) | Bit(b);
        gBetween[a][b] = AttacksOf(t, a, Bit(b)) & AttacksOf(t, b, Bit(a));
      }
    }
  }
}

}  // namespace

void Init() {
  static std::once_flag once;
  std::call_once(once, InitAll);
}

}  // namespace kelvane::attacks
