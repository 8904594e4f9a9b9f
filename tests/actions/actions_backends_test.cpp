// The actions on every backend: the simulated machine, and in Windows
// builds the real registry, file system and shell (under Wine). Everything
// happens below the test machine's scratch directory and key, or in a
// uniquely named program folder that the test removes again.

#include "actions/directories.h"
#include "actions/registry_items.h"
#include "actions/shell_links.h"
#include "tests/actions/actions_fixture.h"
#include "tests/platform/contract.h"

namespace actions::testing {
namespace {

using Lines = std::vector<std::string>;
using platform::Root;
using platform::Value;
using platform::ValueType;

class ActionsOnBackend : public platform::testing::Contract {
 protected:
  void SetUp() override {
    Contract::SetUp();
    ctx = std::make_unique<startup::SetupContext>(os(), ui);
    ctx->model.OsKind = startup::okNT;
  }
  void TearDown() override {
    ctx.reset();
    Contract::TearDown();
  }

  startup::testing::RecordingUi ui;
  RecordingRunEnd end;
  std::unique_ptr<startup::SetupContext> ctx;
};

TEST_P(ActionsOnBackend, RegistryItems) {
  const std::string app = key() + "\\App";
  {
    auto k = reg().create(Root::currentUser, app, nullptr);
    ASSERT_TRUE(k.ok()) << k.status().toString();
    ASSERT_TRUE((*k)->write("Path", Value::expandText("C:\\Старый")).ok());
    ASSERT_TRUE((*k)->write("Count", Value::dword(static_cast<uint32_t>(-5))).ok());
    ASSERT_TRUE((*k)->write("Bytes", Value::binaryData("")).ok());
    ASSERT_TRUE((*k)->write("Lines", Value{ValueType::multiString, std::string("a") + '\0' + "b"}).ok());
  }
  const uint32_t hkcu = static_cast<uint32_t>(Root::currentUser);
  auto item = [&](const std::string& keyPath, const char* type, const char* name, const char* data) {
    startup::RegistryItem i;
    i.Root = hkcu;
    i.KeyPath = keyPath;
    i.DataType = type;
    i.ValueName = name;
    i.Data = data;
    return i;
  };
  ctx->model.RegData = {item(app, "S", "Path", "C:\\Новый"), item(app, "D", "Count", "7"),
                        item(app, "B", "Bytes", "1.2.FF"), item(app, "S", "Lines", "one"),
                        item(app + "\\Sub\\Deeper", "D", "New", "-1"), item(app, "x", "Path", "")};
  ASSERT_TRUE(ApplyRegistryItems(*ctx, end));
  EXPECT_TRUE(end.shown.empty());
  const std::string open = "RegOpenKey=" + app + ",2147483649";
  EXPECT_EQ(ctx->lists.UninstallLines,
            (Lines{open, "RegOldValue=Path,S,C:\\Старый", "RegWriteValue=Path", open, "RegOldValue=Count,D,-5",
                   "RegWriteValue=Count", open, "RegOldValue=Bytes,B,", "RegWriteValue=Bytes", open,
                   "RegWriteValue=Lines", "RegCreateKey=" + app + "\\Sub,2147483649",
                   "RegCreateKey=" + app + "\\Sub\\Deeper,2147483649", "RegWriteValue=New",
                   open, "RegOldValue=Path,S,C:\\Новый", "RegWriteValue=Path"}));
  EXPECT_EQ(ctx->lists.RegistryOldValues, (Lines{"SC:\\Старый", "D-5", "B", "", "", "SC:\\Новый"}));
  ASSERT_EQ(ctx->lists.RegistryChanges.size(), 6u);
  EXPECT_EQ(ctx->lists.RegistryChanges[4], "HKEY_CURRENT_USER\\" + app + "\\Sub\\Deeper|New");

  auto k = reg().open(Root::currentUser, app, platform::Access::read);
  ASSERT_TRUE(k.ok());
  EXPECT_EQ((*k)->read("Path").status().code(), platform::Code::notFound);
  EXPECT_EQ((*k)->read("Count").valueOr({}), Value::dword(7));
  EXPECT_EQ((*k)->read("Bytes").valueOr({}), Value::binaryData("\x01\x02\xFF"));
  EXPECT_EQ((*k)->read("Lines").valueOr({}), Value::text("one"));
  auto deeper = reg().open(Root::currentUser, app + "\\Sub\\Deeper", platform::Access::read);
  ASSERT_TRUE(deeper.ok());
  EXPECT_EQ((*deeper)->read("New").valueOr({}), Value::dword(0xFFFFFFFF));
}

TEST_P(ActionsOnBackend, DirectoryChainAndKillTree) {
  const std::string base = machine_->scratch();
  ctx->model.Dirs = {startup::DirEntry{base + "\\App\\Data", "", 0, false, "", false, ""},
                     startup::DirEntry{base + "\\App", "", 0, false, "", false, ""},
                     startup::DirEntry{base + "\\Deep\\Er\\Est", "", 0, false, "", false, ""}};
  ASSERT_TRUE(CreateTargetDirectories(*ctx, end));
  EXPECT_TRUE(end.shown.empty());
  const Lines created{base + "\\App", base + "\\App\\Data", base + "\\Deep", base + "\\Deep\\Er",
                      base + "\\Deep\\Er\\Est"};
  EXPECT_EQ(ctx->lists.CreatedDirs, created);
  for (const std::string& d : created) EXPECT_TRUE(fs().directoryExists(d)) << d;
  EXPECT_TRUE(ParentDirExists(*ctx, base + "\\Deep\\Er\\Est\\x"));

  KillTree(*ctx, base + "\\Deep\\Er\\Est");
  EXPECT_FALSE(fs().exists(base + "\\Deep"));
  EXPECT_TRUE(fs().directoryExists(base)) << "the scratch directory holds App";
  KillTree(*ctx, base + "\\App\\Data");
  KillTree(*ctx, base + "\\App");  // the directory is empty now; the walk stops at the scratch's parent
  EXPECT_FALSE(fs().exists(base + "\\App"));
  if (!isReal()) return;
  ASSERT_TRUE(fs().createDirectory(base).ok()) << "KillTree took the emptied scratch directory too";
}

// Links in a program folder of the current user's Programs menu, named
// uniquely for the run.
TEST_P(ActionsOnBackend, ProgramFolderAndLink) {
  ASSERT_TRUE(writeWholeFile(fs(), at("app.exe"), "MZ").ok());
  const std::string group = "setupkit " + machine_->scratch().substr(3) + "\\Пакет";
  EXPECT_FALSE(ShellFolderExists(*ctx, platform::csidl::programs, group));
  auto folder = CreateShellFolder(*ctx, platform::csidl::programs, group);
  ASSERT_TRUE(folder.ok()) << folder.status().toString();
  EXPECT_TRUE(ShellFolderExists(*ctx, platform::csidl::programs, group));
  ASSERT_EQ(ctx->lists.CreatedShellFolders.size(), 2u);
  EXPECT_EQ(ctx->lists.CreatedShellFolders[1], *folder);

  LinkFields fields;
  fields.target = at("app.exe");
  fields.arguments = "/s";
  fields.description = "Программа";
  fields.workingDirectory = machine_->scratch();
  auto link = CreateShellLink(*ctx, platform::csidl::programs, group, fields);
  ASSERT_TRUE(link.ok()) << link.status().toString();
  EXPECT_EQ(*link, *folder + "\\Программа.lnk");
  EXPECT_TRUE(fs().fileExists(*link));
  auto saved = os().shell().loadLink(*link);
  ASSERT_TRUE(saved.ok()) << saved.status().toString();
  EXPECT_TRUE(text::equalsNoCase1251(saved->target, fields.target)) << saved->target;
  EXPECT_EQ(saved->arguments, "/s");
  EXPECT_EQ(saved->description, "Программа");

  // Undone as the rollback does it: links, then folders last first.
  for (const std::string& l : ctx->lists.CreatedLinks) EXPECT_TRUE(fs().removeFile(l).ok()) << l;
  for (auto it = ctx->lists.CreatedShellFolders.rbegin(); it != ctx->lists.CreatedShellFolders.rend(); ++it)
    EXPECT_TRUE(fs().removeDirectory(*it).ok()) << *it;
  EXPECT_FALSE(fs().exists(ctx->lists.CreatedShellFolders[0]));
}

INSTANTIATE_TEST_SUITE_P(Backends, ActionsOnBackend, ::testing::ValuesIn(platform::testing::contractBackends()),
                         platform::testing::backendName);

}  // namespace
}  // namespace actions::testing
