// Program folders and links in the special folders of the simulated
// machine: names, folders of the current user and of all users, what is
// recorded for the rollback, and failures that report nothing.

#include "actions/shell_links.h"

#include "tests/actions/actions_fixture.h"

namespace actions::testing {
namespace {

using Lines = std::vector<std::string>;
namespace csidl = platform::csidl;

class ShellLinks : public ActionsFixture {
 protected:
  std::string Folder(int id) { return machine.shell().specialFolder(id).valueOr("?"); }

  LinkFields Fields(const std::string& description) {
    LinkFields f;
    f.target = "C:\\Program Files\\App\\app.exe";
    f.arguments = "/run";
    f.description = description;
    f.workingDirectory = "C:\\Program Files\\App";
    f.iconFile = "C:\\Program Files\\App\\app.ico";
    f.iconIndex = 2;
    return f;
  }

  // What the rollback does with the two lists: links first, then the
  // folders, last first.
  void UndoLinks() {
    for (const std::string& link : ctx.lists.CreatedLinks) static_cast<void>(machine.files().removeFile(link));
    for (auto it = ctx.lists.CreatedShellFolders.rbegin(); it != ctx.lists.CreatedShellFolders.rend(); ++it)
      static_cast<void>(machine.files().removeDirectory(*it));
  }
};

// PROGRAMS\Group\Sub for the current user: the nested folders are made,
// the folder and the link are named as the driver logs them, the link
// carries every field, and undoing the two lists leaves the machine as it
// was (the parent level is recorded too).
TEST_F(ShellLinks, NestedProgramFolderAndLink) {
  const std::string before = machine.toString();
  const std::string programs = Folder(csidl::programs);
  EXPECT_FALSE(ShellFolderExists(ctx, csidl::programs, "Group\\Sub"));
  auto folder = CreateShellFolder(ctx, csidl::programs, "Group\\Sub");
  ASSERT_TRUE(folder.ok()) << folder.status().toString();
  EXPECT_EQ(*folder, programs + "\\Group\\Sub");
  EXPECT_TRUE(ShellFolderExists(ctx, csidl::programs, "Group\\Sub"));
  EXPECT_EQ(ctx.lists.CreatedShellFolders, (Lines{programs + "\\Group", programs + "\\Group\\Sub"}));

  auto link = CreateShellLink(ctx, csidl::programs, "Group\\Sub", Fields("Программа"));
  ASSERT_TRUE(link.ok()) << link.status().toString();
  EXPECT_EQ(*link, programs + "\\Group\\Sub\\Программа.lnk");
  EXPECT_EQ(ctx.lists.CreatedLinks, (Lines{*link}));
  auto saved = machine.shell().loadLink(*link);
  ASSERT_TRUE(saved.ok());
  EXPECT_EQ(saved->target, "C:\\Program Files\\App\\app.exe");
  EXPECT_EQ(saved->arguments, "/run");
  EXPECT_EQ(saved->description, "Программа");
  EXPECT_EQ(saved->workingDirectory, "C:\\Program Files\\App");
  EXPECT_EQ(saved->iconPath, "C:\\Program Files\\App\\app.ico");
  EXPECT_EQ(saved->iconIndex, 2);
  ExpectNoReport();

  UndoLinks();
  EXPECT_EQ(machine.toString(), before);
}

// Each folder word with field 8 "0" or not, as the driver maps them.
TEST_F(ShellLinks, CurrentUserAndAllUsersFolders) {
  const int folders[] = {csidl::programs,  csidl::commonPrograms, csidl::desktop,   csidl::commonDesktopDirectory,
                         csidl::startup,   csidl::commonStartup,  csidl::startMenu, csidl::commonStartMenu};
  for (int id : folders) {
    auto link = CreateShellLink(ctx, id, "Пакет", Fields("App"));
    ASSERT_TRUE(link.ok()) << id;
    EXPECT_EQ(*link, Folder(id) + "\\Пакет\\App.lnk");
    EXPECT_TRUE(machine.files().fileExists(*link));
  }
  EXPECT_NE(Folder(csidl::programs), Folder(csidl::commonPrograms));
  EXPECT_EQ(ctx.lists.CreatedLinks.size(), std::size(folders));
}

// The folder word and a backslash alone: the link goes on the folder
// itself, which exists, so no folder is created.
TEST_F(ShellLinks, LinkDirectlyInTheSpecialFolder) {
  EXPECT_TRUE(ShellFolderExists(ctx, csidl::desktop, ""));
  auto link = CreateShellLink(ctx, csidl::desktop, "", Fields("App"));
  ASSERT_TRUE(link.ok());
  EXPECT_EQ(*link, Folder(csidl::desktop) + "\\App.lnk");
  EXPECT_TRUE(ctx.lists.CreatedShellFolders.empty());
}

// Blank fields are left unset, the icon index counts only with an icon
// file, a "-" description names the file "-.lnk", a subfolder ending in a
// backslash gets no second one, and a one-letter subfolder is a name.
TEST_F(ShellLinks, FieldsAndNames) {
  LinkFields f;
  f.target = "C:\\App\\a.exe";
  f.arguments = "  ";
  f.description = "-";
  f.workingDirectory = "\t";
  f.iconFile = " ";
  f.iconIndex = 5;
  auto link = CreateShellLink(ctx, csidl::startMenu, "Group\\", f);
  ASSERT_TRUE(link.ok());
  EXPECT_EQ(*link, Folder(csidl::startMenu) + "\\Group\\-.lnk");
  auto saved = machine.shell().loadLink(*link);
  ASSERT_TRUE(saved.ok());
  EXPECT_EQ(saved->arguments, "");
  EXPECT_EQ(saved->workingDirectory, "");
  EXPECT_EQ(saved->iconPath, "");
  EXPECT_EQ(saved->iconIndex, 0);
  EXPECT_EQ(saved->description, "-");
  // The folder made on the way is recorded for the rollback.
  EXPECT_EQ(ctx.lists.CreatedShellFolders, (Lines{Folder(csidl::startMenu) + "\\Group"}));

  auto single = CreateShellLink(ctx, csidl::startMenu, "G", Fields("x"));
  ASSERT_TRUE(single.ok());
  EXPECT_EQ(*single, Folder(csidl::startMenu) + "\\G\\x.lnk");
}

// A link that was there before is overwritten but stays the user's: the
// rollback must not delete it.
TEST_F(ShellLinks, AnExistingLinkIsOverwrittenButNotClaimed) {
  const std::string path = Folder(csidl::desktop) + "\\App.lnk";
  platform::ShellLink old;
  old.target = "C:\\old.exe";
  ASSERT_TRUE(machine.shell().saveLink(path, old).ok());
  auto link = CreateShellLink(ctx, csidl::desktop, "", Fields("App"));
  ASSERT_TRUE(link.ok());
  EXPECT_EQ(machine.shell().loadLink(path).valueOr({}).target, "C:\\Program Files\\App\\app.exe");
  EXPECT_TRUE(ctx.lists.CreatedLinks.empty());
}

// Failures produce no report: the operation answers with an error and
// records nothing it did not make.
TEST_F(ShellLinks, FailuresReportNothing) {
  machine.shellState().setSpecialFolder(csidl::commonStartup, "");
  EXPECT_FALSE(ShellFolderExists(ctx, csidl::commonStartup, "Group"));
  EXPECT_FALSE(CreateShellFolder(ctx, csidl::commonStartup, "Group").ok());
  EXPECT_FALSE(CreateShellLink(ctx, csidl::commonStartup, "Group", Fields("App")).ok());

  machine.failNth(platform::sim::Op::openForWrite, 1, platform::Status(platform::Code::diskFull, 112));
  EXPECT_FALSE(CreateShellLink(ctx, csidl::desktop, "", Fields("App")).ok());
  EXPECT_FALSE(machine.files().exists(Folder(csidl::desktop) + "\\App.lnk"));

  machine.failNth(platform::sim::Op::createDirectory, 2, platform::Status(platform::Code::accessDenied, 5));
  EXPECT_FALSE(CreateShellFolder(ctx, csidl::programs, "A\\B").ok());
  EXPECT_EQ(ctx.lists.CreatedShellFolders, (Lines{Folder(csidl::programs) + "\\A"})) << "what was made is recorded";

  EXPECT_TRUE(ctx.lists.CreatedLinks.empty());
  ExpectNoReport();
}

}  // namespace
}  // namespace actions::testing
