// Tests of material signatures: written from a position, read from what a user types.
#include <gtest/gtest.h>

#include <string>

#include "engine/fen.h"
#include "engine/material.h"

using namespace kelvane;

namespace {

TEST(Material, SignatureOfAPosition) {
  struct Case {
    const char* fen;
    const char* signature;
  };
  const Case cases[] = {
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
       "KQRRBBNNPPPPPPPP v KQRRBBNNPPPPPPPP"},
      {"8/8/4k3/3r4/8/2P5/1R6/4K3 w - - 0 1", "KRP v KR"},
      {"8/8/4k3/8/8/8/8/4K3 w - - 0 1", "K v K"},
      {"8/1p6/4k3/2qbn3/8/8/8/1N2K3 b - - 0 1", "KN v KQBNP"},
  };
  for (const Case& c : cases) {
    Board board;
    ASSERT_EQ(ReadFen(c.fen, board), "");
    EXPECT_EQ(MaterialSignature(MaterialOf(board)), c.signature) << c.fen;
  }
}

TEST(Material, UserSignaturesReadOrRefused) {
  struct Case {
    const char* text;
    const char* error;
    const char* normalised;  // the signature read, written back
  };
  const Case cases[] = {
      {"KRP v KR", "", "KRP v KR"},
      {"RP v R", "", "KRP v KR"},
      {"PR v KR", "", "KRP v KR"},
      {"KRPvKR", "", "KRP v KR"},
      {"  K  v  KQ ", "", "K v KQ"},
      {"KRP - KR", "no 'v' between the two sides (as in \"KRP v KR\")", ""},
      {"KRP v K-R", "'-' is not one of the piece letters K Q R B N P", ""},
      {"KRP v kr", "'k' is not one of the piece letters K Q R B N P", ""},
      {"KRP v KRvK", "'v' is not one of the piece letters K Q R B N P", ""},
      {"KKR v K", "white's side has more than one king", ""},
      {" v K", "white's side is empty (write K for a lone king)", ""},
      {"K v ", "black's side is empty (write K for a lone king)", ""},
      {"K v PPPPPPPPP", "black's side has more than 8 pawns", ""},
      {"QQQQQQQQQQQQQQQQ v K", "white's side has more than 16 pieces", ""},
      {"QQQQQQQQQQQQQQQ v K", "", "KQQQQQQQQQQQQQQQ v K"},
  };
  for (const Case& c : cases) {
    Material m;
    EXPECT_EQ(ParseMaterialSignature(c.text, m), c.error) << c.text;
    if (*c.error == '\0') {
      EXPECT_EQ(MaterialSignature(m), c.normalised) << c.text;
    }
  }
}

}  // namespace
