// CFile on real temporary files: reading, writing, share flags and the causes
// of failed opens.
#include "framework/file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

class CFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // The form CFile reports paths in: absolute, with '/' on every system.
        std::string pattern =
            (std::filesystem::temp_directory_path() / "quorvex-file-XXXXXX").generic_string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    void Put(const std::string& name, const std::string& content) const {
        std::ofstream(Path(name), std::ios::binary) << content;
    }
    std::string Get(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // The cause of the exception that `op` throws, or -1 when it throws none.
    template <typename Op>
    static int CauseOf(Op op) {
        try {
            op();
        } catch (const CFileException& e) {
            return e.m_cause;
        }
        return -1;
    }

    std::string dir_;
};

TEST_F(CFileTest, WriteReadSeekAndLength) {
    CFile out;
    ASSERT_TRUE(out.Open(Path("a.bin").c_str(), CFile::modeCreate | CFile::modeWrite |
                                                    CFile::typeBinary | CFile::shareExclusive));
    const char data[] = {'x', '\0', 'y', '\n', '\r', 'z'};
    out.Write(data, sizeof data);
    EXPECT_EQ(out.GetLength(), 6u);
    EXPECT_EQ(out.GetPosition(), 6u);
    out.SetLength(4);
    EXPECT_EQ(out.SeekToEnd(), 4u);
    EXPECT_EQ(out.GetFilePath(), Path("a.bin").c_str());
    EXPECT_EQ(out.GetFileName(), "a.bin");
    out.Close();
    EXPECT_FALSE(out.IsOpen());

    CFile in(Path("a.bin").c_str(), CFile::modeRead | CFile::shareDenyWrite);
    char buf[16] = {};
    EXPECT_EQ(in.Read(buf, sizeof buf), 4u);  // short only at the end
    EXPECT_EQ(std::memcmp(buf, data, 4), 0);
    EXPECT_EQ(in.Read(buf, sizeof buf), 0u);
    EXPECT_EQ(in.Seek(-2, CFile::end), 2u);
    EXPECT_EQ(in.Read(buf, 1), 1u);
    EXPECT_EQ(buf[0], 'y');
    in.SeekToBegin();
    EXPECT_EQ(in.GetPosition(), 0u);
    EXPECT_EQ(CauseOf([&] { in.Seek(-1, CFile::begin); }), CFileException::badSeek);
    EXPECT_EQ(CauseOf([&] { in.Write("q", 1); }), CFileException::accessDenied);
}

TEST_F(CFileTest, ShareFlagsAreEnforcedBetweenOpeners) {
    Put("s.bin", "held content");
    const std::string p = Path("s.bin");
    constexpr UINT R = CFile::modeRead, W = CFile::modeWrite, RW = CFile::modeReadWrite;
    constexpr UINT Excl = CFile::shareExclusive, None = CFile::shareDenyNone;
    constexpr UINT NoW = CFile::shareDenyWrite, NoR = CFile::shareDenyRead;
    struct Case {
        UINT holder;
        UINT second;
        bool opens;
    };
    const Case cases[] = {
        {R | Excl, R | None, false}, {R | None, R | Excl, false},
        {R | NoW, R | NoW, true},    {R | NoW, W | None, false},
        {W | NoW, R | None, true},   {W | NoW, R | NoW, false},
        {R | NoR, R | None, false},  {R | NoR, W | None, true},
        {RW | NoR, W | NoW, false},  {W | NoR, W | None, true},
        {R | None, RW | None, true}, {R, R | None, false},  // shareCompat
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.holder << " then " << c.second);
        CFile holder;
        ASSERT_TRUE(holder.Open(p.c_str(), c.holder));
        CFile second;
        CFileException error;
        EXPECT_EQ(second.Open(p.c_str(), c.second, &error), c.opens ? TRUE : FALSE);
        if (!c.opens) {
            EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
            EXPECT_EQ(error.m_strFileName, p.c_str());
        }
    }
    // Every holder above was closed: the file is free again, content intact.
    CFile last;
    EXPECT_TRUE(last.Open(p.c_str(), CFile::modeRead | CFile::shareExclusive));
    EXPECT_EQ(last.GetLength(), 12u);
    // A create refused for sharing must not have truncated the holder's file.
    EXPECT_EQ(CauseOf([&] { CFile(p.c_str(), CFile::modeCreate | CFile::modeWrite); }),
              CFileException::sharingViolation);
    EXPECT_EQ(Get("s.bin"), "held content");
}

TEST_F(CFileTest, OpenFailuresNameTheirCause) {
    CFile f;
    CFileException error;
    EXPECT_FALSE(f.Open(Path("missing.txt").c_str(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(error.m_lOsError, ENOENT);
    EXPECT_EQ(error.m_strFileName, Path("missing.txt").c_str());

    EXPECT_FALSE(
        f.Open(Path("no/such/dir/x.txt").c_str(), CFile::modeCreate | CFile::modeWrite, &error));
    EXPECT_EQ(error.m_cause, CFileException::badPath);

    EXPECT_FALSE(f.Open(dir_.c_str(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::accessDenied);

    EXPECT_FALSE(f.Open("", CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::badPath);

    EXPECT_EQ(CauseOf([&] { CFile(Path("missing.txt").c_str(), CFile::modeRead); }),
              CFileException::fileNotFound);
    EXPECT_EQ(CauseOf([&] { f.Read(nullptr, 0); }), CFileException::invalidFile);
    EXPECT_FALSE(f.IsOpen());
}

}  // namespace
