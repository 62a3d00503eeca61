// The scalable theme icon (dist/icons/quenvo.svg) is the picture the window
// shows: rendered by the SVG renderer of the desktop (librsvg) it stays close
// to the program's own drawing, pixel by pixel, at several sizes.
#include "platform/pictures.h"

#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

const QString kSvg = QStringLiteral(QUENVO_TEST_DATA "/../../dist/icons/quenvo.svg");

struct Difference
{
    double meanChannel = 0; // mean absolute difference per channel, 0..255
    double farShare = 0;    // share of pixels where a channel differs by more than 64
};

Difference compare(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    const QImage y = b.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    double sum = 0;
    qint64 far = 0;
    for (int row = 0; row < x.height(); ++row) {
        const uchar *p = x.constScanLine(row);
        const uchar *q = y.constScanLine(row);
        for (int col = 0; col < x.width(); ++col) {
            int worst = 0;
            for (int c = 0; c < 4; ++c) {
                const int d = std::abs(int(p[col * 4 + c]) - int(q[col * 4 + c]));
                sum += d;
                worst = std::max(worst, d);
            }
            far += worst > 64;
        }
    }
    const double pixels = double(x.width()) * x.height();
    return {sum / (pixels * 4), far / pixels};
}

TEST(AppIcon, ScalableIconIsTheWindowIcon)
{
    const QString rsvg = QStandardPaths::findExecutable(QStringLiteral("rsvg-convert"));
    if (rsvg.isEmpty())
        GTEST_SKIP() << "rsvg-convert (Debian package librsvg2-bin) is not installed";
    const QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (int size : {48, 128, 256}) {
        const QString png = dir.filePath(QStringLiteral("icon%1.png").arg(size));
        ASSERT_EQ(QProcess::execute(rsvg, {QStringLiteral("-w"), QString::number(size), QStringLiteral("-h"),
                                           QString::number(size), QStringLiteral("-o"), png, kSvg}),
                  0);
        const QImage fromSvg(png);
        const QImage drawn = pictures::appIconPixmap(size).toImage();
        ASSERT_EQ(fromSvg.size(), QSize(size, size));
        ASSERT_EQ(drawn.size(), QSize(size, size));
        const Difference d = compare(fromSvg, drawn);
        EXPECT_LT(d.meanChannel, 3.0) << "size " << size;
        EXPECT_LT(d.farShare, 0.01) << "size " << size;
    }
}

// The comparison is sharp enough to tell another picture apart: the same
// icon shifted by a tenth of its width fails it.
TEST(AppIcon, ComparisonTellsAShiftedPictureApart)
{
    const QImage drawn = pictures::appIconPixmap(128).toImage();
    QImage shifted(drawn.size(), drawn.format());
    shifted.fill(Qt::transparent);
    for (int row = 0; row < drawn.height(); ++row)
        for (int col = 13; col < drawn.width(); ++col)
            shifted.setPixelColor(col, row, drawn.pixelColor(col - 13, row));
    const Difference d = compare(shifted, drawn);
    EXPECT_FALSE(d.meanChannel < 3.0 && d.farShare < 0.01);
}

} // namespace
