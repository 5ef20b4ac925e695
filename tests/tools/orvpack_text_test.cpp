// Runs the built orvpack text on small shows written by the test: a loose project whose main
// picture lies on disk, and the same show packed with its picture.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "orvpack_runner.h"
#include "tagged_jpeg.h"

namespace {

using orv::test::Quoted;
using orv::test::RunOrvpack;
using orv::test::TToolRun;
using orv::test::WriteFixture;

// Slide 2 holds the main picture and a text of macros; slide 1 a text whose macros have no
// picture to read, and a picture that is not a text.
std::string Show(const std::string& picture) {
  return "[Main]\n[Times]\nopt_slidescount=3\nopt_synchpos1=3000\nopt_synchpos2=6000\nopt_synchpos3=9000\n"
         "[Slide1]\nobject Container:Root\n"
         "  object Title:Text\n    GUID={T1}\n    Text=\"<%MainImg.IPTC.City%>\\n\\nEnd\"\n  end\n"
         "  object Pic:Image\n    GUID={P1}\n  end\n"
         "end\n"
         "[Slide2]\nobject Container:Root\n"
         "  object Pic:Image\n    GUID={P2}\n    ImageName=" + picture + "\n    ImageIndex=0\n  end\n"
         "  object Caption:Text\n    GUID={5D1A6F3E-0000-4000-8000-00000000000A}\n"
         "    Text=\"Slide <%slideindex%> of <%SLIDESCOUNT%>: <%MainImg.FolderName%>\\n"
         "<%MainImg.Width%>x<%MainImg.Height%> <%MainImg.Exif.Date%> <%MainImg.IPTC.City%>\"\n  end\n"
         "end\n"
         "[Slide3]\nobject Container:Root\nend\n";
}

class OrvpackText : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::create_directories(FFolder + "/Holiday");
    FPicture = FFolder + "/Holiday/beach.jpg";
    WriteFixture(FName + "/Holiday/beach.jpg",
                 orv::test::TaggedJpeg("orvpack_text", "-ModifyDate='2016:12:24 18:30:00' -IPTC:City='Nice'"));
  }
  TToolRun Text(const std::string& show, const std::string& slide, const std::string& guid) {
    return RunOrvpack("text " + Quoted(show) + " " + slide + " " + Quoted(guid));
  }

  // One folder per test: ctest runs the tests of this program side by side.
  std::string FName = std::string("orvpack_text_") + testing::UnitTest::GetInstance()->current_test_info()->name();
  std::string FFolder = testing::TempDir() + "/" + FName;
  std::string FPicture;
};

TEST_F(OrvpackText, PrintsTheLinesAsDrawnFromALooseProjectAndFromItsPackage) {
  const std::string loose = WriteFixture(FName + "/show.orv", Show(FPicture));
  const std::string project = WriteFixture(FName + "/packed.orv", Show("C:\\Photos\\Holiday\\beach.jpg"));
  const std::string packed = FFolder + "/show.exe";
  const TToolRun build =
      RunOrvpack("build -o " + Quoted(packed) + " --project " + Quoted(project) + " --add " +
                 Quoted(FPicture + "=C:\\Photos\\Holiday\\beach.jpg"));
  ASSERT_EQ(build.exit_code, 0);
  for (const std::string& show : {loose, packed}) {
    SCOPED_TRACE(show);
    const TToolRun run = Text(show, "2", "{5d1a6f3e-0000-4000-8000-00000000000a}");
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out, "Slide 2 of 3: Holiday\n16x16 2016:12:24 Nice\n");
    // Without a main picture its macros are empty, and so is the line they leave: one space.
    EXPECT_EQ(Text(show, "1", "{T1}").out, " \n \nEnd\n");
  }
}

TEST_F(OrvpackText, RefusesWhatItCannotFind) {
  const std::string show = WriteFixture(FName + "/show.orv", Show(FPicture));
  const struct {
    std::string show, slide, guid;
    int exit_code;
  } cases[] = {
      {show, "2", "{T1}", 1},              // the text is on slide 1
      {show, "1", "{P1}", 1},              // not a text
      {show, "4", "{T1}", 1},              // no slide 4
      {show, "0", "{T1}", 2},              // slides count from 1
      {show, "one", "{T1}", 2},            // not a number
      {show + ".missing", "1", "{T1}", 2}, // no such file
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.show + " " + c.slide + " " + c.guid);
    const TToolRun run = Text(c.show, c.slide, c.guid);
    EXPECT_EQ(run.exit_code, c.exit_code);
    EXPECT_EQ(run.out, "");
  }
  EXPECT_EQ(RunOrvpack("text " + Quoted(show) + " 1").exit_code, 2);  // missing argument
}

}  // namespace
