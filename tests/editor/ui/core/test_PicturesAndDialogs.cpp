#include "ui_helpers.h"
#include "u_Dialogs.h"
#include "u_Exception.h"
#include "u_Pictures.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

std::string Encoded(const QImage& Image, const char* Format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Image.save(&buffer, Format, 95);
    return bytes.toStdString();
}

QImage TwoColours() {
    QImage image(32, 16, QImage::Format_RGB32);
    image.fill(QColor(200, 30, 30));
    for (int y = 0; y < 16; ++y)
        for (int x = 16; x < 32; ++x)
            image.setPixel(x, y, qRgb(20, 40, 220));
    return image;
}

TEST(Pictures, KindsByExtensionIgnoringCase) {
    EXPECT_EQ(PictureKindOf("a.BMP"), TPictureKind::Bitmap);
    EXPECT_EQ(PictureKindOf("x/y.Ico"), TPictureKind::Icon);
    EXPECT_EQ(PictureKindOf("\\Logo.jpeg"), TPictureKind::Jpeg);
    EXPECT_EQ(PictureKindOf("p.JPG"), TPictureKind::Jpeg);
    EXPECT_EQ(PictureKindOf("m.emf"), TPictureKind::Metafile);
    EXPECT_EQ(PictureKindOf("m.png"), TPictureKind::Unknown);
    EXPECT_EQ(PictureKindOf("noext"), TPictureKind::Unknown);
}

TEST(Pictures, JpegIsDecodedAndStoredAsBitmap) {
    const QImage jpeg = ReadPicture(Encoded(TwoColours(), "JPG"), "photo.jpg");
    ASSERT_EQ(jpeg.size(), QSize(32, 16));
    EXPECT_NEAR(qRed(jpeg.pixel(4, 8)), 200, 12);
    EXPECT_NEAR(qBlue(jpeg.pixel(28, 8)), 220, 12);

    const std::string bmp = BitmapFileBytes(jpeg);
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    const QImage back = ReadPicture(bmp, "Logo.bmp");
    EXPECT_EQ(back.size(), QSize(32, 16));
    EXPECT_EQ(back.pixel(4, 8), jpeg.pixel(4, 8));
}

TEST(Pictures, DamagedUnknownAndMetafilePicturesAreRefusedWithTheirName) {
    std::string half = Encoded(TwoColours(), "JPG");
    half.resize(40);
    try {
        ReadPicture(half, "half.jpg");
        FAIL();
    } catch (const EPictureError& e) {
        EXPECT_NE(std::string(e.what()).find("\"half.jpg\""), std::string::npos) << e.what();
    }
    EXPECT_THROW(ReadPicture("garbage", "g.bmp"), EPictureError);
    EXPECT_THROW(ReadPicture("", "empty.jpg"), EPictureError);
    try {
        ReadPicture("anything", "drawing.wmf");
        FAIL();
    } catch (const EPictureError& e) {
        EXPECT_NE(std::string(e.what()).find("cannot be shown"), std::string::npos);
    }
    EXPECT_THROW(ReadPicture(Encoded(TwoColours(), "PNG"), "p.png"), EPictureError);
    EXPECT_THROW(LoadPictureFile("/nonexistent/x.bmp"), EPictureError);
}

TEST(Dialogs, AnswererSeesTheQuestionAndGuardedKeepsAbortsQuiet) {
    std::vector<TDialogRequest> asked;
    SetDialogAnswerer([&](TDialogRequest& r) {
        asked.push_back(r);
        if (r.Kind == "input")
            r.Value = "http://example.org";
        return r.Kind == "message" ? QMessageBox::Cancel : QMessageBox::Ok;
    });
    EXPECT_EQ(MessageDlg(nullptr, "Clear story?", TMsgDlgType::mtWarning, QMessageBox::Ok | QMessageBox::Cancel),
              QMessageBox::Cancel);
    std::string value = "http://";
    EXPECT_TRUE(InputQuery(nullptr, "External Link Creation", "URL:", value));
    EXPECT_EQ(value, "http://example.org");

    EXPECT_FALSE(Guarded(nullptr, [] { throw EAbort(); }));
    EXPECT_FALSE(Guarded(nullptr, [] { throw Exception("File \"x\" not found"); }));
    EXPECT_TRUE(Guarded(nullptr, [] {}));
    ASSERT_EQ(asked.size(), 3u); // the abort showed nothing
    EXPECT_EQ(asked[0].Text, "Clear story?");
    EXPECT_EQ(asked[0].Type, TMsgDlgType::mtWarning);
    EXPECT_EQ(asked[2].Type, TMsgDlgType::mtError);
    EXPECT_EQ(asked[2].Text, "File \"x\" not found");
    SetDialogAnswerer(nullptr);
}

} // namespace
