#include "u_Stream.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <cstring>
#include <sys/stat.h>
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
    const TTempFolder folder("quarvel-stream");
    const std::string name = folder.File("stream.txt");
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
    std::remove(name.c_str());
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

TEST(HostFileStream, OnlyRegularFilesAndFailuresNameTheFile) {
    const TTempFolder dir("quarvel-stream-dir");
    const std::string fifo = dir.File("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Neither a FIFO without a writer nor an endless device is waited for or read.
    for (const std::string& name : {fifo, std::string("/dev/zero")}) {
        try {
            THostFileStream in(name, THostFileMode::OpenRead);
            FAIL() << "opened " << name;
        } catch (const EFOpenError& e) {
            EXPECT_EQ(e.Message(), "Cannot open file \"" + name + "\". Not a regular file");
        }
    }
    EXPECT_THROW(THostFileStream(fifo, THostFileMode::Create), EFCreateError);
    EXPECT_THROW(THostFileStream(fifo, THostFileMode::OpenWrite), EFOpenError);

    // A failed write names the file and the reason instead of a bare "Stream write error".
    const std::string file = dir.File("f.txt");
    { THostFileStream(file, THostFileMode::Create).WriteString("abc"); }
    THostFileStream in(file, THostFileMode::OpenRead);
    try {
        in.WriteBuffer("x", 1);
        FAIL() << "wrote into a file opened for reading";
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message(), "Cannot write file \"" + file + "\". " + std::string(strerror(EBADF)));
    }
    char buf[8];
    try {
        in.ReadBuffer(buf, 8);
        FAIL() << "read past the end";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Cannot read file \"" + file + "\". Stream read error");
    }
}
