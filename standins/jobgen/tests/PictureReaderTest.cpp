#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <fstream>

#include "jobgen/PictureReader.h"

namespace {

std::string tempFile(const std::string& name) {
    return (std::filesystem::path(::testing::TempDir()) / ("jobgen_" + name)).string();
}

TEST(PictureReader, GreyOverWhiteForEveryFormat) {
    QImage image(4, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(0, 0, 0, 255));       // black
    image.setPixel(1, 0, qRgba(0, 0, 0, 0));         // transparent: label shows
    image.setPixel(2, 0, qRgba(0, 0, 0, 128));       // half black
    image.setPixel(3, 0, qRgba(100, 100, 100, 255)); // grey
    for (const char* format : {"png", "bmp"}) {
        const std::string path = tempFile(std::string("pixels.") + format);
        ASSERT_TRUE(image.save(QString::fromStdString(path), format));
        jobgen::GreyPicture picture;
        std::string error;
        ASSERT_TRUE(jobgen::readPicture(path, picture, &error)) << error;
        ASSERT_EQ(picture.width, 4);
        ASSERT_EQ(picture.height, 1);
        EXPECT_EQ(picture.at(0, 0), 0) << format;
        EXPECT_EQ(picture.at(3, 0), 100) << format;
        if (std::string(format) == "png") { // BMP drops alpha
            EXPECT_EQ(picture.at(1, 0), 255);
            EXPECT_NEAR(picture.at(2, 0), 127, 1);
        }
    }
}

TEST(PictureReader, NonPictureIsRefusedWithAReason) {
    const std::string path = tempFile("text.png");
    std::ofstream(path) << "plain text";
    jobgen::GreyPicture picture;
    std::string error;
    EXPECT_FALSE(jobgen::readPicture(path, picture, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(jobgen::readPicture(tempFile("absent.png"), picture, &error));
}

} // namespace
