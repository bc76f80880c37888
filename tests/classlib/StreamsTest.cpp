#include "classlib/runtime/Streams.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(Stream, ReadBufferPastTheEndRaisesAndReadReturnsWhatThereIs) {
    TStringStream stream("12345");
    char buffer[8] = {};
    EXPECT_EQ(stream.Read(buffer, 3), 3);
    EXPECT_EQ(stream.Read(buffer, 8), 2);
    EXPECT_EQ(stream.Read(buffer, 8), 0);
    stream.SetPosition(2);
    try {
        stream.ReadBuffer(buffer, 4);
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "Stream read error");
    }
    stream.SetPosition(100);  // beyond the end is allowed, and reads nothing
    EXPECT_EQ(stream.Read(buffer, 1), 0);
    EXPECT_THROW(stream.Seek(-1, soFromBeginning), EStreamError);
    EXPECT_EQ(stream.Seek(-2, soFromEnd), 3);
}

TEST(Stream, CopyFromCopiesAllOrPart) {
    std::string data(200000, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 31);
    TStringStream source(data);
    TMemoryStream target;
    source.SetPosition(1234);
    EXPECT_EQ(target.CopyFrom(&source, 0), 200000);  // 0: everything, from the start
    ASSERT_EQ(target.Size(), 200000);
    EXPECT_EQ(std::memcmp(target.Memory(), data.data(), data.size()), 0);
    source.SetPosition(199990);
    EXPECT_THROW(target.CopyFrom(&source, 11), EReadError);
}

TEST(MemoryStream, GrowsAsItIsWrittenAndFillsGapsWithZeros) {
    TMemoryStream stream;
    EXPECT_EQ(stream.Size(), 0);
    std::string chunk(1000, 'x');
    for (int i = 0; i < 100; ++i)
        stream.WriteBuffer(chunk.data(), static_cast<long>(chunk.size()));
    EXPECT_EQ(stream.Size(), 100000);
    EXPECT_EQ(stream.Position(), 100000);
    EXPECT_GE(stream.Capacity(), 100000);
    stream.SetPosition(100010);
    stream.WriteBuffer("y", 1);
    EXPECT_EQ(stream.Size(), 100011);
    const char* memory = static_cast<const char*>(stream.Memory());
    EXPECT_EQ(memory[99999], 'x');
    EXPECT_EQ(memory[100005], '\0');
    EXPECT_EQ(memory[100010], 'y');
    stream.SetSize(10);
    EXPECT_EQ(stream.Position(), 10);
    stream.SetSize(20);  // grown again: the new bytes are zero, not the old ones
    EXPECT_EQ(static_cast<const char*>(stream.Memory())[15], '\0');
    stream.Clear();
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(stream.Memory(), nullptr);
}

TEST(MemoryStream, FileRoundTrip) {
    TempDir dir;
    std::string bytes("a\0b\r\nc", 6);
    WriteFileBytes(dir.File("in.bin"), bytes);
    TMemoryStream stream;
    stream.LoadFromFile(dir.File("in.bin"));
    EXPECT_EQ(std::string(static_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size())), bytes);
    stream.SaveToFile(dir.File("out.bin"));
    EXPECT_EQ(ReadFileBytes(dir.File("out.bin")), bytes);
}

TEST(FileStream, OpenErrorsNameTheFileAndTheReason) {
    TempDir dir;
    std::string missing = dir.File("none.txt");
    try {
        TFileStream stream(missing, fmOpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        std::string text = e.what();
        EXPECT_EQ(text.rfind("Cannot open file \"" + missing + "\". ", 0), 0u) << text;
        EXPECT_NE(text.find("(system error 2)"), std::string::npos) << text;
    }
    try {
        TFileStream stream(dir.File("no\\such\\folder\\x.txt"), fmCreate);
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot create file"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("(system error 3)"), std::string::npos) << e.what();
    }
    EXPECT_THROW(TFileStream(dir.File("x"), fmOpenReadWrite + 1), EFOpenError);
}

TEST(FileStream, ModesAndSharing) {
    TempDir dir;
    std::string name = dir.File("data.bin");
    {
        TFileStream stream(name, fmCreate);
        stream.WriteBuffer("hello world", 11);
        EXPECT_EQ(stream.Size(), 11);
        stream.SetSize(5);
        EXPECT_EQ(stream.Position(), 5);
    }
    EXPECT_EQ(ReadFileBytes(name), "hello");
    {
        TFileStream reader(name, fmOpenRead | fmShareDenyWrite);
        char buffer[5];
        reader.ReadBuffer(buffer, 5);
        EXPECT_THROW(reader.ReadBuffer(buffer, 1), EReadError);
        EXPECT_THROW(reader.WriteBuffer("x", 1), EWriteError);  // opened for reading only
        // Others may read beside it but not write.
        EXPECT_NO_THROW(TFileStream(name, fmOpenRead | fmShareDenyNone));
        EXPECT_THROW(TFileStream(name, fmOpenWrite | fmShareDenyNone), EFOpenError);
    }
    {
        TFileStream writer(name, fmOpenReadWrite | fmShareExclusive);
        writer.Seek(0, soFromEnd);
        writer.WriteBuffer("!", 1);
        EXPECT_THROW(TFileStream(name, fmOpenRead | fmShareDenyNone), EFOpenError);
    }
    EXPECT_EQ(ReadFileBytes(name), "hello!");
}

TEST(StringStream, WritesOverwriteInPlace) {
    TStringStream stream("abcdef");
    stream.SetPosition(2);
    stream.WriteString("XY");
    EXPECT_EQ(stream.DataString(), "abXYef");
    stream.Seek(0, soFromEnd);
    stream.WriteString("gh");
    EXPECT_EQ(stream.DataString(), "abXYefgh");
    stream.SetPosition(1);
    EXPECT_EQ(stream.ReadString(3), "bXY");
    EXPECT_EQ(stream.ReadString(100), "efgh");
    stream.SetSize(3);
    EXPECT_EQ(stream.DataString(), "abX");
}

TEST(ResourceStream, ReadsAResourceByNameOrIdAndRaisesWhenMissing) {
    HINSTANCE self = GetModuleHandleA(nullptr);
    TResourceStream byName(self, "GREETING", RT_RCDATA);
    std::string text(static_cast<const char*>(byName.Memory()), static_cast<size_t>(byName.Size()));
    EXPECT_EQ(text, "Hello, stream");
    TResourceStream byId(self, 77, RT_RCDATA);
    EXPECT_EQ(byId.Size(), 6);
    try {
        TResourceStream missing(self, "NOSUCH", RT_RCDATA);
        FAIL();
    } catch (const EResNotFound& e) {
        EXPECT_STREQ(e.what(), "Resource NOSUCH not found");
    }
    EXPECT_THROW(byName.WriteBuffer("x", 1), EStreamError);
    EXPECT_THROW(byName.SetSize(1), EStreamError);
}

}  // namespace
