#include <QTemporaryDir>

#include <algorithm>
#include <cstring>

#include "tests/graphics/started.h"

namespace lumetra {
namespace {

using CodecsTest = Started;

const Bytes kPngSignature("\x89PNG\r\n\x1A\n", 8);

void paint_pattern(Bitmap& b, int w, int h) {
  ASSERT_TRUE(b.create(w, h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      ASSERT_TRUE(b.set_pixel(x, y, (x + y) % 3 == 0 ? 0xFFFF0000 : 0xFF0000FFu - x * 10));
  ASSERT_TRUE(b.set_pixel(0, 0, 0x00000000));
}

TEST_F(CodecsTest, EncoderListHasPngBmpAndJpegWithThePlatformIdentifiers) {
  std::vector<CodecRecord> list;
  int n = Bitmap::image_encoders(list);
  ASSERT_EQ(n, static_cast<int>(list.size()));
  struct Expected {
    const char *format, *clsid, *mime, *signature;
  } expected[] = {
      {kImageFormatPng, "{557CF406-1A04-11D3-9A73-0000F81EF32E}", "image/png", "\x89PNG"},
      {kImageFormatBmp, "{557CF400-1A04-11D3-9A73-0000F81EF32E}", "image/bmp", "BM"},
      {kImageFormatJpeg, "{557CF401-1A04-11D3-9A73-0000F81EF32E}", "image/jpeg", "\xFF\xD8"},
  };
  for (const Expected& e : expected) {
    auto it = std::find_if(list.begin(), list.end(),
                           [&](const CodecRecord& r) { return r.format_id == e.format; });
    ASSERT_NE(it, list.end()) << e.format;
    EXPECT_EQ(it->clsid, e.clsid);
    EXPECT_EQ(it->mime_type, e.mime);
    EXPECT_EQ(it->sig_pattern.substr(0, std::strlen(e.signature)), e.signature);
    EXPECT_EQ(it->sig_mask.size(), it->sig_size);
    EXPECT_EQ(Bitmap::encoder_for_format(e.format), e.clsid);
  }
  // Qt cannot write GIF here, so it is not offered.
  EXPECT_EQ(Bitmap::encoder_for_format("{B96B3CB0-0728-11D3-9D7B-0000F81EF32E}"), "");
  // The comparison is exact: lower case finds nothing.
  EXPECT_EQ(Bitmap::encoder_for_format("{b96b3caf-0728-11d3-9d7b-0000f81ef32e}"), "");
}

TEST_F(CodecsTest, SaveToBytesWritesTheFormatsSignature) {
  Bitmap b;
  ASSERT_TRUE(b.create(2, 2));
  struct Case {
    const char* format;
    Bytes signature;
  } cases[] = {
      {kImageFormatPng, kPngSignature}, {kImageFormatBmp, "BM"}, {kImageFormatJpeg, "\xFF\xD8"}};
  for (const Case& c : cases) {
    Bytes bytes = b.save_to_bytes(c.format);
    ASSERT_GT(bytes.size(), c.signature.size()) << c.format;
    EXPECT_EQ(bytes.substr(0, c.signature.size()), c.signature) << c.format;
    EXPECT_EQ(last_status, 0);
  }
  for (const char* none : {"{B96B3CB0-0728-11D3-9D7B-0000F81EF32E}", "png", ""}) {
    // The last: a bitmap made in memory has no format of its own to fall back on.
    EXPECT_TRUE(b.save_to_bytes(none).empty()) << none;
    EXPECT_NE(last_status, 0) << none;
  }
}

TEST_F(CodecsTest, EveryListedEncoderWritesWhatIsReadBack) {
  std::vector<CodecRecord> list;
  ASSERT_GE(Bitmap::image_encoders(list), 3);
  Bitmap b;
  ASSERT_TRUE(b.create(4, 3, flat::PixelFormat24bppRGB));
  for (int x = 0; x < 4; ++x) ASSERT_TRUE(b.set_pixel(x, 1, 0xFFFFFFFF));
  for (const CodecRecord& codec : list) {
    Bytes bytes = b.save_to_bytes(codec.format_id);
    ASSERT_FALSE(bytes.empty()) << codec.mime_type;
    EXPECT_EQ(bytes.substr(0, 2), codec.sig_pattern.substr(0, 2)) << codec.mime_type;
    Bitmap back;
    ASSERT_TRUE(back.from_bytes(bytes)) << codec.mime_type;
    EXPECT_EQ(back.raw_format(), codec.format_id);
    EXPECT_EQ(back.frame_count(kFrameDimensionPage), 1u) << codec.mime_type;
    EXPECT_EQ(back.width(), 4u);
    // Black and white rows, exactly or (JPEG) nearly.
    EXPECT_LE(back.get_pixel(0, 0) & 0xFF, 0x10u) << codec.mime_type;
    EXPECT_GE(back.get_pixel(2, 1) & 0xFF, 0xF0u) << codec.mime_type;
  }
}

TEST_F(CodecsTest, PngBytesComeBackAsTheSamePixels) {
  Bitmap b;
  paint_pattern(b, 13, 7);
  ASSERT_TRUE(b.set_pixel(4, 4, 0x80FF8000));
  ASSERT_TRUE(b.set_resolution(150, 150));
  Bytes png = b.save_to_bytes(kImageFormatPng);
  Bitmap back;
  ASSERT_TRUE(back.from_bytes(png));
  ASSERT_EQ(back.width(), 13u);
  ASSERT_EQ(back.height(), 7u);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x) ASSERT_EQ(back.get_pixel(x, y), b.get_pixel(x, y)) << x << y;
  EXPECT_EQ(back.pixel_format(), flat::PixelFormat32bppARGB);
  EXPECT_EQ(back.raw_format(), kImageFormatPng);
  EXPECT_NEAR(back.horizontal_resolution(), 150, 0.1);
  EXPECT_NE(back.source_stream().memory(), 0u);
  // Without a format the image is written as what it was read from.
  EXPECT_EQ(back.save_to_bytes().substr(0, 8), kPngSignature);
  ASSERT_TRUE(back.dispose());
  EXPECT_EQ(back.source_stream().memory(), 0u);
}

TEST_F(CodecsTest, BmpKeepsAlphaWhenTheFormatHasItAndIsRgbOtherwise) {
  struct Case {
    int format;
    int bits;
    ARGB written, read;
  } cases[] = {
      {flat::PixelFormat32bppARGB, 32, 0x80FF0000, 0x80FF0000},
      {flat::PixelFormat24bppRGB, 24, 0xFF00FF00, 0xFF00FF00},
  };
  for (const Case& c : cases) {
    Bitmap b;
    ASSERT_TRUE(b.create(3, 2, c.format));
    ASSERT_TRUE(b.set_pixel(2, 0, c.written));
    Bytes bmp = b.save_to_bytes(kImageFormatBmp);
    ASSERT_GT(bmp.size(), 30u);
    EXPECT_EQ(static_cast<unsigned char>(bmp[28]), c.bits);  // bits per pixel
    Bitmap back;
    ASSERT_TRUE(back.from_bytes(bmp));
    EXPECT_EQ(back.get_pixel(2, 0), c.read) << c.bits;
    EXPECT_EQ(back.get_pixel(0, 1), b.get_pixel(0, 1)) << c.bits;  // rows in the right order
  }
}

TEST_F(CodecsTest, LargeImagesMadeHereAreReadBack) {
  Bitmap big;
  ASSERT_TRUE(big.create(6200, 6000));  // 149 MB of pixels, past Qt's own reading limit
  ASSERT_TRUE(big.set_pixel(6199, 5999, 0xFF00FF00));
  Bitmap back;
  ASSERT_TRUE(back.from_bytes(big.save_to_bytes(kImageFormatPng)));
  EXPECT_EQ(back.get_pixel(6199, 5999), 0xFF00FF00u);
}

TEST_F(CodecsTest, BytesThatAreNoImageAreRefused) {
  struct Case {
    Bytes bytes;
    int status;
  } cases[] = {
      {"", flat::UnknownImageFormat},
      {"hello, this is text", flat::UnknownImageFormat},
      {kPngSignature + Bytes(30, '\0'), flat::GenericError},  // a PNG cut short
  };
  for (const Case& c : cases) {
    Bitmap b;
    EXPECT_FALSE(b.from_bytes(c.bytes));
    EXPECT_EQ(last_status, c.status) << c.bytes.size();
    EXPECT_EQ(b.handle(), 0u);
    EXPECT_EQ(b.source_stream().memory(), 0u);  // the bytes are not kept for nothing
  }
}

TEST_F(CodecsTest, JpegQualityParameterIsListedAndHonoured) {
  Bitmap b;
  paint_pattern(b, 64, 64);
  EncoderParameterList list;
  ASSERT_TRUE(b.encoder_parameter_list(kImageFormatJpeg, list));
  ASSERT_EQ(list.count, 1u);
  EXPECT_EQ(list.items[0].category, "{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB}");
  EXPECT_EQ(list.items[0].value_type, 6u);  // a range, 0 to 100
  EXPECT_EQ(list.items[0].values.size(), 8u);

  auto quality = [](std::uint32_t q) {
    EncoderParameterList p;
    p.count = 1;
    p.items.push_back({"{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB}", 1, 4,
                       Bytes(reinterpret_cast<const char*>(&q), 4)});
    return p;
  };
  EncoderParameterList low = quality(5), high = quality(95), wrong = quality(101);
  Bytes small = b.save_to_bytes(kImageFormatJpeg, &low);
  Bytes large = b.save_to_bytes(kImageFormatJpeg, &high);
  ASSERT_FALSE(small.empty());
  EXPECT_LT(small.size(), large.size());
  EXPECT_TRUE(b.save_to_bytes(kImageFormatJpeg, &wrong).empty());
  EXPECT_EQ(last_status, flat::InvalidParameter);
  // A count beyond the items, or values shorter than promised, never reach the encoder.
  EncoderParameterList overcounted = quality(50);
  overcounted.count = 3;
  EXPECT_TRUE(b.save_to_bytes(kImageFormatJpeg, &overcounted).empty());
  EXPECT_EQ(last_status, flat::InvalidParameter);
  EncoderParameterList short_values = quality(50);
  short_values.items[0].values.resize(2);
  EXPECT_TRUE(b.save_to_bytes(kImageFormatJpeg, &short_values).empty());
  EXPECT_EQ(last_status, flat::InvalidParameter);
}

TEST_F(CodecsTest, FilesRoundTripAndFailuresAreReported) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  Text path = dir.filePath(QStringLiteral("a.png")).toStdString();
  Bitmap b;
  paint_pattern(b, 5, 5);
  ASSERT_TRUE(b.save_to_file(path, kImageFormatPng));
  Bitmap back;
  ASSERT_TRUE(back.from_file(path));
  EXPECT_EQ(back.get_pixel(3, 0), b.get_pixel(3, 0));
  EXPECT_EQ(back.image_flags() & 0x2, 0x2u);  // has alpha

  // The wide form falls back on BMP when no format is given.
  std::u16string wide = dir.filePath(QStringLiteral("b.bmp")).toStdU16String();
  ASSERT_TRUE(b.save_to_file_wide(wide));
  Bitmap bmp;
  ASSERT_TRUE(bmp.from_file_wide(wide));
  EXPECT_EQ(bmp.raw_format(), kImageFormatBmp);

  Bitmap missing;
  EXPECT_FALSE(missing.from_file(dir.filePath(QStringLiteral("none.png")).toStdString()));
  EXPECT_EQ(last_status, flat::FileNotFound);
  EXPECT_FALSE(b.save_to_file(dir.filePath(QStringLiteral("no/such/dir.png")).toStdString(),
                              kImageFormatPng));
  EXPECT_NE(last_status, 0);
  EXPECT_FALSE(missing.from_file(path, true));  // colour management
  EXPECT_EQ(last_status, flat::NotImplemented);
}

TEST_F(CodecsTest, FramesOfAStillImage) {
  Bitmap b;
  ASSERT_TRUE(b.create(3, 3));
  std::vector<Text> dims{"kept"};
  ASSERT_TRUE(b.frame_dimensions(dims));
  EXPECT_EQ(dims, std::vector<Text>{kFrameDimensionPage});
  EXPECT_EQ(b.frame_count(kFrameDimensionPage), 1u);
  EXPECT_EQ(b.frame_count(kFrameDimensionTime), 0u);
  EXPECT_EQ(last_status, flat::InvalidParameter);
  EXPECT_TRUE(b.select_active_frame(kFrameDimensionPage, 0));
  EXPECT_FALSE(b.select_active_frame(kFrameDimensionPage, 1));
  std::vector<std::uint32_t> delays{7};
  EXPECT_FALSE(b.frame_delays(delays));
  EXPECT_EQ(last_status, flat::PropertyNotFound);
  EXPECT_EQ(delays, std::vector<std::uint32_t>{7});
}

TEST_F(CodecsTest, FramesOfAnAnimationAreSelectedWithTheirDelays) {
  // Two 2 x 2 frames, red for 10 hundredths of a second, then blue for 25.
  const unsigned char gif[] = {
      0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x02, 0x00, 0x02, 0x00, 0xf0, 0x00, 0x00,
      0xff, 0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0xf9, 0x04, 0x00, 0x0a, 0x00, 0x00,
      0x00, 0x21, 0xff, 0x0b, 0x4e, 0x45, 0x54, 0x53, 0x43, 0x41, 0x50, 0x45, 0x32,
      0x2e, 0x30, 0x03, 0x01, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00, 0x00, 0x00, 0x02,
      0x00, 0x02, 0x00, 0x00, 0x02, 0x02, 0x84, 0x51, 0x00, 0x21, 0xf9, 0x04, 0x00,
      0x19, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x02, 0x00,
      0x80, 0x00, 0x00, 0xff, 0x00, 0x00, 0x00, 0x02, 0x02, 0x84, 0x51, 0x00, 0x3b};
  Bitmap b;
  ASSERT_TRUE(b.from_bytes(Bytes(reinterpret_cast<const char*>(gif), sizeof gif)));
  EXPECT_EQ(b.raw_format(), "{B96B3CB0-0728-11D3-9D7B-0000F81EF32E}");
  std::vector<Text> dims;
  ASSERT_TRUE(b.frame_dimensions(dims));
  EXPECT_EQ(dims, std::vector<Text>{kFrameDimensionTime});
  EXPECT_EQ(b.frame_count(kFrameDimensionTime), 2u);
  EXPECT_EQ(b.get_pixel(1, 1), 0xFFFF0000u);
  ASSERT_TRUE(b.select_active_frame(kFrameDimensionTime, 1));
  EXPECT_EQ(b.get_pixel(1, 1), 0xFF0000FFu);
  ASSERT_TRUE(b.select_active_frame(kFrameDimensionTime, 0));
  EXPECT_EQ(b.get_pixel(0, 0), 0xFFFF0000u);
  EXPECT_FALSE(b.select_active_frame(kFrameDimensionTime, 2));
  std::vector<std::uint32_t> delays;
  ASSERT_TRUE(b.frame_delays(delays));
  EXPECT_EQ(delays, (std::vector<std::uint32_t>{10, 25}));
}

TEST_F(CodecsTest, PropertiesAreSetReadAndRemoved) {
  Bitmap b;
  ASSERT_TRUE(b.create(3, 3));
  std::uint32_t delays[2] = {10, 25};
  PropertyRecord p{kPropertyTagFrameDelay, 8, 4, Bytes(reinterpret_cast<char*>(delays), 8)};
  ASSERT_TRUE(b.set_property_item(p));
  PropertyRecord title{0x010E, 6, 2, Bytes("hello\0", 6)};
  ASSERT_TRUE(b.set_property_item(title));
  std::vector<std::uint32_t> ids;
  EXPECT_EQ(b.property_ids(ids), 2);
  EXPECT_EQ(ids, (std::vector<std::uint32_t>{0x5100, 0x010E}));
  PropertyRecord back;
  ASSERT_TRUE(b.property_item(0x010E, back));
  EXPECT_EQ(back.length, 6u);
  EXPECT_EQ(back.type, 2u);
  EXPECT_EQ(back.value, title.value);
  std::vector<std::uint32_t> list;
  ASSERT_TRUE(b.frame_delays(list));
  EXPECT_EQ(list, (std::vector<std::uint32_t>{10, 25}));
  ASSERT_TRUE(b.remove_property_item(0x010E));
  EXPECT_FALSE(b.remove_property_item(0x010E));
  EXPECT_EQ(last_status, flat::PropertyNotFound);
  PropertyRecord lying{0x0110, 100, 2, "abc"};  // promises more bytes than it has
  EXPECT_FALSE(b.set_property_item(lying));
  EXPECT_EQ(last_status, flat::InvalidParameter);
}

TEST_F(CodecsTest, PaletteOf256EntriesGoesAndComesBackWhole) {
  Bitmap b;
  ASSERT_TRUE(b.create(3, 3, flat::PixelFormat8bppIndexed));
  PaletteRecord p{1, 256, {}};
  for (std::uint32_t i = 0; i < 256; ++i) p.entries.push_back(0xFF000000 | i * 0x010101);
  ASSERT_TRUE(b.set_palette(p));
  PaletteRecord back;
  ASSERT_TRUE(b.palette(back));
  EXPECT_EQ(back.flags, 1u);
  EXPECT_EQ(back.count, 256u);
  EXPECT_EQ(back.entries, p.entries);
  PaletteRecord short_list{0, 4, {1, 2}};
  EXPECT_FALSE(b.set_palette(short_list));
  EXPECT_EQ(last_status, flat::InvalidParameter);
}

TEST_F(CodecsTest, OperationsWithNoCounterpartAreNotImplemented) {
  Bitmap b, other;
  ASSERT_TRUE(b.create(2, 2));
  EncoderParameterList none;
  struct Case {
    const char* name;
    std::function<bool()> call;
  } cases[] = {
      {"hbitmap", [&] { return other.create_from_hbitmap(1, 0); }},
      {"hicon", [&] { return other.create_from_hicon(1); }},
      {"resource", [&] { return other.create_from_resource(1, "x"); }},
      {"dib", [&] { return other.create_from_gdi_dib(nullptr, nullptr); }},
      {"to_hbitmap", [&] { return b.to_hbitmap(0) != 0; }},
      {"to_hicon", [&] { return b.to_hicon() != 0; }},
      {"stream icm", [&] { return other.from_bytes(b.save_to_bytes(kImageFormatPng), true); }},
      {"save_add", [&] { return b.save_add(none); }},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(c.call()) << c.name;
    EXPECT_EQ(last_status, flat::NotImplemented) << c.name;
  }
  EXPECT_EQ(other.handle(), 0u);
}

}  // namespace
}  // namespace lumetra
