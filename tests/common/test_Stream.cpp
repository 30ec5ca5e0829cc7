#include "u_Stream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

TEST(StringStream, ReadWriteSeekSize) {
    TStringStream s;
    s.WriteString("hello");
    EXPECT_EQ(s.Position(), 5);
    EXPECT_EQ(s.Seek(-2, soEnd), 3);
    s.WriteString("LO!");
    EXPECT_EQ(s.DataString(), "helLO!");
    s.SetPosition(0);
    char buf[4] = {};
    EXPECT_EQ(s.Read(buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), "helL");
    EXPECT_EQ(s.ReadRest(), "O!");
    EXPECT_EQ(s.Read(buf, 4), 0);
    EXPECT_THROW(s.ReadBuffer(buf, 1), EReadError);
    // Writing past the end fills the gap with zeros.
    s.Seek(8, soBeginning);
    s.WriteString("x");
    EXPECT_EQ(s.DataString(), std::string("helLO!\0\0x", 9));
    s.SetSize(2);
    EXPECT_EQ(s.Position(), 2);
    EXPECT_EQ(s.Size(), 2);
    EXPECT_EQ(s.Seek(-10, soCurrent), 0); // clamped at the start
}

TEST(HostFileStream, CreateWriteReopenRead) {
    char name[] = "/tmp/quarvel_stream_XXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    close(fd);
    {
        THostFileStream out(name, THostFileMode::Create);
        out.WriteString("line one\r\nline two\r\n");
        EXPECT_EQ(out.Size(), 20);
        out.SetSize(10);
        EXPECT_EQ(out.Position(), 10);
    }
    {
        THostFileStream in(name, THostFileMode::OpenRead);
        EXPECT_EQ(in.Size(), 10);
        EXPECT_EQ(in.ReadRest(), "line one\r\n");
        TStringStream copy;
        EXPECT_EQ(copy.CopyFrom(in, 0), 10);
        EXPECT_EQ(copy.DataString(), "line one\r\n");
        EXPECT_EQ(in.Write("x", 1), 0); // opened for reading only
    }
    std::remove(name);
    try {
        THostFileStream missing(name, THostFileMode::OpenRead);
        FAIL() << "opened a missing file";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), std::string("Cannot open file \"") + name + "\". No such file or directory");
    }
    EXPECT_THROW(THostFileStream("/tmp", THostFileMode::OpenRead), EFOpenError);
    try {
        THostFileStream bad("/nonexistent-folder/x.txt", THostFileMode::Create);
        FAIL() << "created a file in a missing folder";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file \"/nonexistent-folder/x.txt\". No such file or directory");
    }
}
