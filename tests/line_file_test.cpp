#include "core/line_file.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "tests/file_faults.h"
#include "tests/test_support.h"

namespace verdin {
namespace {

namespace fs = std::filesystem;

using Lines = std::vector<std::string>;

// The whole Russian alphabet, upper and lower case, with Ё, ё and №.
constexpr std::string_view kRussianUtf8 =
    "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдеёжзийклмнопрстуфхцчшщъыьэюя№";

std::string RussianCp1251() {
  std::string bytes;
  for (int b = 0xC0; b <= 0xC5; ++b) bytes.push_back(static_cast<char>(b));
  bytes.push_back('\xA8');  // Ё
  for (int b = 0xC6; b <= 0xDF; ++b) bytes.push_back(static_cast<char>(b));
  for (int b = 0xE0; b <= 0xE5; ++b) bytes.push_back(static_cast<char>(b));
  bytes.push_back('\xB8');  // ё
  for (int b = 0xE6; b <= 0xFF; ++b) bytes.push_back(static_cast<char>(b));
  bytes.push_back('\xB9');  // №
  return bytes;
}

TEST(LineFileEncoding, RussianAlphabetRoundTrips) {
  EXPECT_EQ(Utf8ToCp1251(kRussianUtf8), RussianCp1251());
  EXPECT_EQ(Cp1251ToUtf8(RussianCp1251()), kRussianUtf8);
  EXPECT_TRUE(FitsCp1251(kRussianUtf8));
}

// 0x98, which the code page leaves undefined, included: it is kept.
TEST(LineFileEncoding, EveryByteRoundTrips) {
  for (int b = 0; b <= 0xFF; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const std::string text = Cp1251ToUtf8(byte);
    EXPECT_TRUE(FitsCp1251(text)) << b;
    EXPECT_EQ(Utf8ToCp1251(text), byte) << b;
  }
}

TEST(LineFileEncoding, UpperHalfMatchesTheCodePage) {
  EXPECT_EQ(Cp1251ToUtf8("\x80\x88\x96\x97\x99\xA0"), "Ђ€–—™\u00A0");
  EXPECT_EQ(Cp1251ToUtf8("\xA1\xA2\xA5\xAA\xAF\xB2\xB3\xB4\xBA\xBF"),
            "ЎўҐЄЇІіґєї");
  EXPECT_EQ(Cp1251ToUtf8("\xAB\xBB\x84\x93\x94"), "«»„“”");
}

TEST(LineFileEncoding, UndefinedByteIsKeptAsItsControlCode) {
  EXPECT_EQ(Cp1251ToUtf8("a\x98z"), "a\u0098z");
  EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8("\x98")), "\x98");
  EXPECT_FALSE(FitsCp1251("\uFFFD"));
}

TEST(LineFileEncoding, MissingCharactersBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCp1251("a日本b"), "a??b");
  EXPECT_EQ(Utf8ToCp1251("ä😀"), "??");
  EXPECT_FALSE(FitsCp1251("Смета 日"));
  EXPECT_TRUE(FitsCp1251("Смета № 5 «Жилой дом» — 10 €"));
  EXPECT_TRUE(FitsCp1251(""));
}

TEST(LineFileEncoding, MalformedUtf8BecomesQuestionMarks) {
  EXPECT_EQ(Utf8ToCp1251("\xFF"), "?");
  EXPECT_EQ(Utf8ToCp1251("a\xD0"), "a?");          // cut off at the end
  EXPECT_EQ(Utf8ToCp1251("\xD0" "A"), "?A");       // continuation missing
  EXPECT_EQ(Utf8ToCp1251("\x80\xBF"), "??");       // stray continuations
  EXPECT_EQ(Utf8ToCp1251("\xC0\xAF"), "?");        // overlong "/"
  EXPECT_EQ(Utf8ToCp1251("\xED\xA0\x80"), "?");    // surrogate
  EXPECT_EQ(Utf8ToCp1251("\xF4\x90\x80\x80"), "?");  // above U+10FFFF
  EXPECT_FALSE(FitsCp1251("\xD0"));
  EXPECT_FALSE(FitsCp1251("\xC0\xAF"));
}

TEST(LineFileSplit, CrLfAndLfEndLines) {
  EXPECT_EQ(SplitLines("a\r\nb\r\n"), (Lines{"a", "b"}));
  EXPECT_EQ(SplitLines("a\nb\n"), (Lines{"a", "b"}));
  EXPECT_EQ(SplitLines("a\r\nb\nc\r\n"), (Lines{"a", "b", "c"}));
  EXPECT_EQ(SplitLines("a\n\nb"), (Lines{"a", "", "b"}));
}

TEST(LineFileSplit, LastLineWithoutLineEndIsALine) {
  EXPECT_EQ(SplitLines("a\r\nb"), (Lines{"a", "b"}));
  EXPECT_EQ(SplitLines("only"), (Lines{"only"}));
}

TEST(LineFileSplit, EmptyContentAndEmptyLines) {
  EXPECT_EQ(SplitLines(""), Lines{});
  EXPECT_EQ(SplitLines("\r\n"), (Lines{""}));
  EXPECT_EQ(SplitLines("\r\n\r\n"), (Lines{"", ""}));
  EXPECT_EQ(SplitLines("\n"), (Lines{""}));
}

TEST(LineFileSplit, LoneCarriageReturnStaysInTheLine) {
  EXPECT_EQ(SplitLines("a\rb\r\n"), (Lines{"a\rb"}));
  EXPECT_EQ(SplitLines("a\r"), (Lines{"a\r"}));
  EXPECT_EQ(SplitLines("a\r\r\n"), (Lines{"a\r"}));
}

TEST(LineFileText, DecodesAndSplitsAsTheStringFunctionsDo) {
  // Random bytes of every value, line ends frequent, runs of ASCII long and
  // short, so that both the word-wise and the byte-wise decoding are met.
  std::mt19937 random(42);
  for (int round = 0; round < 300; ++round) {
    std::string content;
    const std::size_t size = random() % 200;
    for (std::size_t i = 0; i < size; ++i) {
      switch (random() % 6) {
        case 0: content += "\r\n"; break;
        case 1: content += '\n'; break;
        case 2: content.push_back(static_cast<char>(random() % 256)); break;
        default: content.push_back(static_cast<char>('a' + random() % 26)); break;
      }
    }
    const LineText text(content);
    const Lines expected = SplitLines(Cp1251ToUtf8(content));
    ASSERT_EQ(Lines(text.lines().begin(), text.lines().end()), expected) << round;
  }
}

TEST(LineFileText, LinesStayValidAfterAMove) {
  LineText text(std::string_view("\xD2\xE0\xE1\xEB\r\nab"));  // a short text
  const LineText moved = std::move(text);
  EXPECT_EQ(Lines(moved.lines().begin(), moved.lines().end()), (Lines{"Табл", "ab"}));
}

// A fresh folder for each test, removed afterwards.
class LineFileOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    folder_ = fs::temp_directory_path() /
              ("verdin-line-file-" + std::to_string(random()));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add,
                    ignored);
    fs::remove_all(folder_, ignored);
  }

  static std::string MessageOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const FileError& error) {
      return error.what();
    }
    ADD_FAILURE() << "no FileError thrown";
    return {};
  }

  fs::path folder_;
};

TEST_F(LineFileOnDisk, ReadsCp1251LinesAsUtf8) {
  const fs::path path = folder_ / "table.txt";
  testing::PutBytes(path, "\\\xD2\xE0\xE1\xEB. 1\r\n\xB9 5; \xA8\xEB\xEA\xE0\nlast");
  EXPECT_EQ(ReadLineFile(path), (Lines{"\\Табл. 1", "№ 5; Ёлка", "last"}));
}

TEST_F(LineFileOnDisk, ReadsTheSameLinesIntoOneText) {
  const fs::path path = folder_ / "table.txt";
  testing::PutBytes(path, "\\\xD2\xE0\xE1\xEB. 1\r\n\xB9 5; \xA8\xEB\xEA\xE0\n\r\nlast");
  const LineText text = ReadLineText(path, kNormFileLimit);
  EXPECT_EQ(Lines(text.lines().begin(), text.lines().end()), (Lines{"\\Табл. 1", "№ 5; Ёлка", "", "last"}));
  EXPECT_NE(MessageOf([&] { ReadLineText(path, LineFileLimit{1024, 3}); }).find("слишком много строк"),
            std::string::npos);
}

TEST_F(LineFileOnDisk, WritesCp1251WithCrLfAfterEveryLine) {
  const fs::path path = folder_ / "out.isx";
  WriteLineFile(path, {"Смета № 1", "", " ,15 "});
  EXPECT_EQ(testing::Bytes(path), "\xD1\xEC\xE5\xF2\xE0 \xB9 1\r\n\r\n ,15 \r\n");
  WriteLineFile(path, {});
  EXPECT_EQ(testing::Bytes(path), "");
}

TEST_F(LineFileOnDisk, WriteThenReadGivesTheSameLines) {
  const fs::path path = folder_ / u8"ВердинПИР_Коэфф.dat";
  const Lines lines{std::string(kRussianUtf8), "  blanks kept  ", "", "4,5",
                    "tab\there"};
  WriteLineFile(path, lines);
  EXPECT_EQ(ReadLineFile(path), lines);
  EXPECT_EQ(testing::FolderEntries(folder_), std::vector<std::string>{path.filename().string()});
}

TEST_F(LineFileOnDisk, ReplacesAnExistingFileAndKeepsItsPermissions) {
  const fs::path path = folder_ / "state.dat";
  testing::PutBytes(path, "old content that is longer\r\n");
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write |
                            fs::perms::group_read);
  WriteFileAtomically(path, "new");
  EXPECT_EQ(testing::Bytes(path), "new");
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write |
                fs::perms::group_read);
  EXPECT_EQ(testing::FolderEntries(folder_).size(), 1u);
}

TEST_F(LineFileOnDisk, MissingFileMessageNamesThePath) {
  const fs::path path = folder_ / u8"Вердина ПИР СМР.dat";
  const std::string message = MessageOf([&] { ReadLineFile(path); });
  EXPECT_NE(message.find("Не удалось открыть файл «" + PathText(path) + "»"),
            std::string::npos)
      << message;
  EXPECT_NE(message.find("файл не найден"), std::string::npos) << message;
}

TEST_F(LineFileOnDisk, ReadingAFolderOrADeviceIsRefused) {
  EXPECT_NE(MessageOf([&] { ReadLineFile(folder_); }).find("это папка"),
            std::string::npos);
  // A device would never end; it must be refused, not read forever.
  EXPECT_NE(MessageOf([] { ReadLineFile("/dev/zero"); }).find("/dev/zero"),
            std::string::npos);
}

// Files beyond the limit are refused with a message that names the file
// and the limit; files within it are read.
TEST_F(LineFileOnDisk, LimitsOfSizeAndLinesAreEnforced) {
  struct Case {
    const char* what;
    std::string content;
    LineFileLimit limit;
    std::string refusal;  // empty: read
  };
  const std::vector<Case> cases = {
      {"at the size limit", std::string(1024, 'x'), {1024, 10}, ""},
      {"one byte over", std::string(1025, 'x'), {1024, 10}, "файл слишком велик (допустимо не более 1 КБ)"},
      {"megabytes", std::string(2000, 'x'), {1024 * 1024 + 1, 10}, ""},
      {"odd size", std::string(101, 'x'), {100, 10}, "файл слишком велик (допустимо не более 100 байт)"},
      {"at the line limit", "a\r\nb\r\nc", {1024, 3}, ""},
      {"bare line ends", std::string(4, '\n'), {1024, 3}, "в файле слишком много строк (допустимо не более 3)"},
      {"one line too many", "a\nb\nc\nd\n", {1024, 3}, "в файле слишком много строк (допустимо не более 3)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path path = folder_ / PathFromText("файл.txt");
    testing::PutBytes(path, c.content);
    if (c.refusal.empty()) {
      EXPECT_NO_THROW(ReadLineFile(path, c.limit));
    } else {
      EXPECT_EQ(MessageOf([&] { ReadLineFile(path, c.limit); }),
                "Не удалось прочитать файл «" + PathText(path) + "»: " + c.refusal + ".");
    }
  }
}

// The bounds the program reads its files with: a huge file is refused at
// once, without being read (a sparse file takes no room on the disk).
TEST_F(LineFileOnDisk, ProgramBoundsRefuseHugeFiles) {
  struct Case {
    LineFileLimit limit;
    const char* sizeText;
  };
  const Case cases[] = {
      {kInputDataFileLimit, "4 МБ"},
      {kNormFileLimit, "32 МБ"},
      {kSmallFileLimit, "1 МБ"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sizeText);
    const fs::path path = folder_ / PathFromText("большой.isx");
    testing::PutBytes(path, "");
    fs::resize_file(path, c.limit.bytes + 1);
    EXPECT_NE(MessageOf([&] { ReadLineFile(path, c.limit); })
                  .find(std::string("не более ") + c.sizeText),
              std::string::npos);
  }
}

TEST_F(LineFileOnDisk, TargetThatIsAFolderIsLeftAlone) {
  const fs::path target = folder_ / "estimate.isx";
  fs::create_directory(target);
  testing::PutBytes(target / "inside.txt", "keep");
  const std::string message =
      MessageOf([&] { WriteLineFile(target, {"new"}); });
  EXPECT_NE(message.find("Не удалось записать файл «" + PathText(target) + "»"),
            std::string::npos)
      << message;
  EXPECT_TRUE(fs::is_directory(target));
  EXPECT_EQ(testing::Bytes(target / "inside.txt"), "keep");
  EXPECT_EQ(testing::FolderEntries(folder_), std::vector<std::string>{"estimate.isx"});
}

TEST_F(LineFileOnDisk, MissingFolderIsReported) {
  const fs::path target = folder_ / "no such folder" / "a.isx";
  const std::string message = MessageOf([&] { WriteLineFile(target, {"x"}); });
  EXPECT_NE(message.find(PathText(target)), std::string::npos) << message;
  EXPECT_NE(message.find("папка не найдена"), std::string::npos) << message;
  EXPECT_FALSE(fs::exists(target.parent_path()));
}

TEST_F(LineFileOnDisk, PathWithoutFileNameIsRefused) {
  const std::string message =
      MessageOf([&] { WriteFileAtomically(folder_ / "", "x"); });
  EXPECT_NE(message.find("не указано имя файла"), std::string::npos) << message;
}

// Makes a folder refuse new files, even for the superuser (who ignores
// permission bits) by setting the immutable attribute. Undone on leaving.
class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(const fs::path& folder) : folder_(folder) {
    fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec);
    if (::geteuid() == 0) immutable_ = testing::SetImmutable(folder_, true);
  }
  ~ReadOnlyFolder() {
    if (immutable_) testing::SetImmutable(folder_, false);
    fs::permissions(folder_, fs::perms::owner_all);
  }
  // True when creating a file in the folder really fails.
  bool Effective() const {
    const fs::path probe = folder_ / "probe";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) return true;
    ::close(fd);
    ::unlink(probe.c_str());
    return false;
  }

 private:
  fs::path folder_;
  bool immutable_ = false;
};

TEST_F(LineFileOnDisk, UnwritableFolderLeavesTheOldFileIntact) {
  const fs::path sub = folder_ / "locked";
  fs::create_directory(sub);
  const fs::path target = sub / "estimate.isx";
  testing::PutBytes(target, "old\r\n");
  std::string message;
  {
    const ReadOnlyFolder locked(sub);
    if (!locked.Effective()) GTEST_SKIP() << "cannot make a folder read-only";
    message = MessageOf([&] { WriteLineFile(target, {"new"}); });
  }
  EXPECT_NE(message.find("Не удалось записать файл «" + PathText(target) + "»"),
            std::string::npos)
      << message;
  EXPECT_EQ(testing::Bytes(target), "old\r\n");
  std::vector<fs::path> entries;
  for (const auto& entry : fs::directory_iterator(sub)) {
    entries.push_back(entry.path().filename());
  }
  EXPECT_EQ(entries, std::vector<fs::path>{"estimate.isx"});
}

}  // namespace
}  // namespace verdin

namespace verdin {
namespace {

TEST(LineBreaksInStoredTexts, RoundTripAndSingleLineTextsUnchanged) {
  EXPECT_EQ(EncodeLineBreaks("Строительный проект"), "Строительный проект");
  EXPECT_EQ(EncodeLineBreaks(" с пробелами  "), " с пробелами  ");
  EXPECT_EQ(EncodeLineBreaks("Строительный проект\r\n"), "Строительный проект¶");
  EXPECT_EQ(EncodeLineBreaks("a\rb\nc\r\n\r\nd"), "a¶b¶c¶¶d");
  EXPECT_EQ(DecodeLineBreaks("Строительный проект¶"), "Строительный проект\r\n");
  EXPECT_EQ(DecodeLineBreaks("¶¶"), "\r\n\r\n");
  const std::string text = "Здание\r\nсклада\r\n";
  EXPECT_EQ(DecodeLineBreaks(EncodeLineBreaks(text)), text);
  // The stored form survives the Windows-1251 round trip.
  EXPECT_EQ(Cp1251ToUtf8(Utf8ToCp1251(EncodeLineBreaks(text))), EncodeLineBreaks(text));
}

}  // namespace
}  // namespace verdin
