#include <gtest/gtest.h>

#include <string>

#include "ErrorOf.h"
#include "Exceptions.h"
#include "Streams.h"
#include "TempDir.h"

namespace fw {

using test::ErrorOf;

namespace {

std::string ReadAll(TStream& s) {
  std::string r(static_cast<std::size_t>(s.Size() - s.Position()), '\0');
  s.ReadBuffer(r.data(), static_cast<std::int64_t>(r.size()));
  return r;
}

}  // namespace

// The same edge cases on every kind of writable stream.
class WritableStream : public testing::TestWithParam<const char*> {
protected:
  std::unique_ptr<TStream> Make() {
    std::string kind = GetParam();
    if (kind == "memory") return std::make_unique<TMemoryStream>();
    if (kind == "string") return std::make_unique<TStringStream>();
    return std::make_unique<TFileStream>(dir_.File("f.bin"), fmCreate | fmShareExclusive);
  }
  test::TempDir dir_;
};

TEST_P(WritableStream, SeekReadAndWriteAtTheEdges) {
  auto s = Make();
  s->WriteBuffer("hello", 5);
  EXPECT_EQ(s->Position(), 5);
  EXPECT_EQ(s->Size(), 5);

  char buf[8] = {};
  EXPECT_EQ(s->Read(buf, 3), 0);  // at the end
  EXPECT_EQ(s->Seek(-2, soFromEnd), 3);
  EXPECT_EQ(s->Read(buf, 8), 2);  // only what is left
  EXPECT_EQ(std::string(buf, 2), "lo");
  EXPECT_EQ(s->Seek(-1, soFromBeginning), -1);  // before the start: refused
  EXPECT_EQ(s->Position(), 5);
  EXPECT_EQ(s->Seek(-6, soFromCurrent), -1);
  EXPECT_EQ(s->Seek(-5, soFromCurrent), 0);

  // Writing in the middle overwrites and keeps the rest.
  s->SetPosition(1);
  s->WriteBuffer("EL", 2);
  s->SetPosition(0);
  EXPECT_EQ(ReadAll(*s), "hELlo");

  // Writing past the end fills the gap with zeros.
  EXPECT_EQ(s->Seek(2, soFromEnd), 7);
  s->WriteBuffer("!", 1);
  s->SetPosition(0);
  EXPECT_EQ(ReadAll(*s), std::string("hELlo\0\0!", 8));

  s->SetPosition(6);
  EXPECT_EQ(ErrorOf<EReadError>([&] { s->ReadBuffer(buf, 3); }), "Stream read error");
  s->ReadBuffer(buf, 0);  // nothing asked, nothing to fail

  s->SetPosition(6);
  s->SetSize(3);
  EXPECT_EQ(s->Size(), 3);
  EXPECT_EQ(s->Position(), 3);  // pulled back to the new end
  s->SetPosition(0);
  EXPECT_EQ(ReadAll(*s), "hEL");
}

TEST_P(WritableStream, CopyFromCopiesAllOrACount) {
  auto s = Make();
  TStringStream source("0123456789");
  source.SetPosition(7);
  EXPECT_EQ(s->CopyFrom(source, 0), 10);  // 0: the whole source from its start
  source.SetPosition(2);
  EXPECT_EQ(s->CopyFrom(source, 3), 3);
  EXPECT_EQ(source.Position(), 5);
  EXPECT_THROW(s->CopyFrom(source, 6), EReadError);
  s->SetPosition(0);
  EXPECT_EQ(ReadAll(*s).substr(0, 13), "0123456789234");
}

INSTANTIATE_TEST_SUITE_P(Kinds, WritableStream, testing::Values("memory", "string", "file"));

TEST(FileStream, ModesAndErrors) {
  test::TempDir dir;
  std::string name = dir.File("data.txt");
  {
    TFileStream f(name, fmCreate);
    f.WriteBuffer("abcdef", 6);
  }
  EXPECT_EQ(test::ReadBytes(name), "abcdef");  // written straight through, nothing kept back
  {
    TFileStream f(name, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(f.Size(), 6);
    EXPECT_EQ(ReadAll(f), "abcdef");
    EXPECT_EQ(ErrorOf<EWriteError>([&] { f.WriteBuffer("x", 1); }), "Stream write error");
  }
  {
    TFileStream f(name, fmOpenReadWrite | fmShareDenyNone);
    f.SetPosition(2);
    f.WriteBuffer("CD", 2);
  }
  {
    TFileStream f(name, fmOpenWrite);
    f.Seek(0, soFromEnd);
    f.WriteBuffer("g", 1);
    char c;
    f.SetPosition(0);
    EXPECT_EQ(f.Read(&c, 1), -1);  // opened for writing only
    EXPECT_THROW(ReadToEnd(f), EReadError);  // a failure, not an empty file
  }
  EXPECT_EQ(test::ReadBytes(name), "abCDefg");
  {
    TFileStream f(name, fmCreate);  // truncates
  }
  EXPECT_EQ(test::ReadBytes(name), "");

  std::string missing = dir.File("missing.txt");
  EXPECT_EQ(ErrorOf<EFOpenError>([&] { TFileStream f(missing, fmOpenRead); }),
            "Cannot open file \"" + missing + "\". No such file or directory");
  std::string nowhere = dir.File("no/dir/new.txt");
  EXPECT_EQ(ErrorOf<EFCreateError>([&] { TFileStream f(nowhere, fmCreate); }),
            "Cannot create file \"" + nowhere + "\". No such file or directory");
  EXPECT_EQ(ErrorOf<EFOpenError>([&] { TFileStream f(dir.Path(), fmOpenRead); }),
            "Cannot open file \"" + dir.Path() + "\". Is a directory");
}

TEST(MemoryStream, LoadsAndSavesWholeContent) {
  test::TempDir dir;
  std::string bytes("bin\0\xff\r\n", 7);
  test::WriteBytes(dir.File("in.bin"), bytes);
  TMemoryStream m;
  m.WriteBuffer("stale", 5);
  m.LoadFromFile(dir.File("in.bin"));
  EXPECT_EQ(m.Position(), 0);
  EXPECT_EQ(std::string(static_cast<const char*>(m.Memory()), static_cast<std::size_t>(m.Size())), bytes);
  m.Seek(0, soFromEnd);
  m.SaveToFile(dir.File("out.bin"));  // whatever the position
  EXPECT_EQ(test::ReadBytes(dir.File("out.bin")), bytes);

  m.Clear();
  EXPECT_EQ(m.Size(), 0);
  EXPECT_EQ(m.Position(), 0);
}

TEST(StringStream, ReadsAndWritesStrings) {
  TStringStream s("Grüße");
  EXPECT_EQ(s.Size(), 7);  // bytes
  EXPECT_EQ(s.ReadString(3), "Gr\xc3");
  EXPECT_EQ(s.ReadString(100), "\xbc\xc3\x9f" "e");
  EXPECT_EQ(s.ReadString(1), "");
  s.WriteString(" dich");
  EXPECT_EQ(s.DataString(), "Grüße dich");
}

TEST(ResourceStream, ReadsACompiledResourceAndRefusesWrites) {
  TResourceStream r("testlines");  // found without regard to case
  EXPECT_EQ(ReadAll(r), "Grüße\nÅngström\n");
  EXPECT_EQ(r.Seek(-3, soFromEnd), r.Size() - 3);
  EXPECT_EQ(ErrorOf<EStreamError>([&] { r.WriteBuffer("x", 1); }), "Can't write to a read-only resource stream");

  TMemoryStream m;
  m.LoadFromStream(r);
  EXPECT_EQ(m.Size(), r.Size());
  EXPECT_EQ(ErrorOf<EResNotFound>([] { TResourceStream missing("NOSUCHRES"); }), "Resource NOSUCHRES not found");
}

}  // namespace fw
