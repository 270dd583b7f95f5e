// The faces the windows name resolve to the closest free family installed, never to the
// program's hand-writing face unless that face is the one named.

#include <QFontInfo>
#include <gtest/gtest.h>

#include "core/Look.h"

namespace {

struct FaceRow {
    const char* face;
    const char* family;
    int minWeight;
};

class NamedFace : public ::testing::TestWithParam<FaceRow> {};

TEST_P(NamedFace, ResolvesToTheClosestFreeFamily) {
    const FaceRow& row = GetParam();
    const QFontInfo info(look::namedFont(QString::fromLatin1(row.face), 12));
    EXPECT_EQ(info.family(), QString::fromLatin1(row.family));
    EXPECT_GE(info.weight(), row.minWeight);
}

INSTANTIATE_TEST_SUITE_P(Faces, NamedFace,
                         ::testing::Values(FaceRow{"Tahoma", "Liberation Sans", QFont::Normal},
                                           FaceRow{"MS Sans Serif", "Liberation Sans", QFont::Normal},
                                           FaceRow{"Arial Black", "Roboto", QFont::Black},
                                           FaceRow{"Comic Sans MS", "Comic Neue", QFont::Normal}));

}  // namespace
