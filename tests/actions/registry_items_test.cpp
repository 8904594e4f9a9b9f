// The registry step on the simulated machine: log lines, the former
// values' records, every data type, keys created or opened, the three
// failure kinds, and a failing write that loses nothing.

#include "actions/registry_items.h"

#include "startup/uninstall_lines.h"
#include "tests/actions/actions_fixture.h"

namespace actions::testing {
namespace {

using platform::Root;
using platform::Value;
using platform::ValueType;
using Lines = std::vector<std::string>;

constexpr uint32_t kHkcu = static_cast<uint32_t>(Root::currentUser);
constexpr uint32_t kHklm = static_cast<uint32_t>(Root::localMachine);

startup::RegistryItem Item(uint32_t root, const std::string& key, const std::string& type, const std::string& name,
                           const std::string& data) {
  startup::RegistryItem item;
  item.Root = root;
  item.KeyPath = key;
  item.DataType = type;
  item.ValueName = name;
  item.Data = data;
  return item;
}

class RegistryItems : public ActionsFixture {
 protected:
  void Set(Root root, const std::string& key, const std::string& name, const Value& v) {
    ASSERT_TRUE(machine.registryStore().setValue(root, key, name, v).ok());
  }
  platform::Result<Value> Get(Root root, const std::string& key, const std::string& name) {
    return machine.registryStore().value(root, key, name);
  }
  bool Apply() { return ApplyRegistryItems(ctx, end); }
};

// Former values of every kind, each replaced by a string: the log line and
// the RegistryOldValues entry carry the same encoding.
TEST_F(RegistryItems, FormerValuesAreRecordedByType) {
  struct Case {
    const char* name;
    Value before;
    const char* logLine;  // "" when there is none
    const char* saved;
  } cases[] = {
      {"Path", Value::text("C:\\Old"), "RegOldValue=Path,S,C:\\Old", "SC:\\Old"},
      {"Empty", Value::text(""), "RegOldValue=Empty,S,", "S"},
      {"Expand", Value::expandText("%WINDIR%\\x"), "RegOldValue=Expand,S,%WINDIR%\\x", "S%WINDIR%\\x"},
      {"Negative", Value::dword(static_cast<uint32_t>(-5)), "RegOldValue=Negative,D,-5", "D-5"},
      {"Large", Value::dword(4000000000u), "RegOldValue=Large,D,-294967296", "D-294967296"},
      {"Zero", Value::dword(0), "RegOldValue=Zero,D,0", "D0"},
      {"Bytes", Value::binaryData(std::string("\x01\xAB", 2)), "RegOldValue=Bytes,B,01.AB", "B01.AB"},
      {"NoBytes", Value::binaryData(""), "RegOldValue=NoBytes,B,", "B"},
      {"Lines", Value{ValueType::multiString, std::string("a") + '\0' + "b"}, "", ""},
      {"Absent", Value{}, "", ""},
  };
  for (const Case& c : cases) {
    if (c.before.type != ValueType::none) Set(Root::currentUser, "Software\\Old", c.name, c.before);
    ctx.model.RegData.push_back(Item(kHkcu, "Software\\Old", "S", c.name, "new"));
  }
  ASSERT_TRUE(Apply());
  ExpectNoReport();

  Lines expected;
  for (const Case& c : cases) {
    expected.push_back("RegOpenKey=Software\\Old,2147483649");
    if (*c.logLine) expected.push_back(c.logLine);
    expected.push_back(std::string("RegWriteValue=") + c.name);
  }
  EXPECT_EQ(ctx.lists.UninstallLines, expected);
  ASSERT_EQ(ctx.lists.RegistryOldValues.size(), std::size(cases));
  ASSERT_EQ(ctx.lists.RegistryChanges.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(ctx.lists.RegistryOldValues[i], cases[i].saved) << cases[i].name;
    EXPECT_EQ(ctx.lists.RegistryChanges[i], std::string("HKEY_CURRENT_USER\\Software\\Old|") + cases[i].name);
    EXPECT_EQ(Get(Root::currentUser, "Software\\Old", cases[i].name).valueOr({}), Value::text("new")) << cases[i].name;
  }
}

// What each type letter writes.
TEST_F(RegistryItems, NewDataOfEveryType) {
  struct Case {
    const char* type;
    const char* data;
    Value written;
  } cases[] = {
      {"S", "plain text", Value::text("plain text")},
      {"S", "#WDapp.ini", Value::text("C:\\WINDOWS\\app.ini")},
      {"SZ", "", Value::text("")},
      {"D", "-5", Value::dword(0xFFFFFFFB)},
      {"D", "2147483647", Value::dword(0x7FFFFFFF)},
      {"D", "-2147483648", Value::dword(0x80000000)},
      {"B", "1.2.FF", Value::binaryData("\x01\x02\xFF")},
      {"B", "1..2", Value::binaryData("\x01\x02")},
      {"B", "1FF", Value::binaryData("\xFF")},
      {"B", "zz", Value::binaryData(std::string(1, '\0'))},
      {"B", "0A.ff.3", Value::binaryData("\x0A\xFF\x03")},
      {"B", ".", Value::binaryData("")},
      {"B", "", Value::binaryData("")},
  };
  for (size_t i = 0; i < std::size(cases); ++i)
    ctx.model.RegData.push_back(Item(kHkcu, "Software\\New", cases[i].type, "V" + std::to_string(i), cases[i].data));
  ASSERT_TRUE(Apply());
  ExpectNoReport();
  for (size_t i = 0; i < std::size(cases); ++i) {
    auto v = Get(Root::currentUser, "Software\\New", "V" + std::to_string(i));
    ASSERT_TRUE(v.ok()) << cases[i].type << " " << cases[i].data;
    EXPECT_EQ(*v, cases[i].written) << cases[i].type << " " << cases[i].data;
  }
  EXPECT_EQ(ctx.lists.RegistryChanges.size(), std::size(cases));
}

// A type letter the step does not know (lower case too) writes nothing, but
// the former value is recorded and removed, and the item has its record.
TEST_F(RegistryItems, UnknownTypeRemovesTheValue) {
  Set(Root::currentUser, "Software\\App", "Mode", Value::dword(7));
  Set(Root::currentUser, "Software\\App", "Other", Value::text("x"));
  ctx.model.RegData = {Item(kHkcu, "Software\\App", "s", "Mode", "1"), Item(kHkcu, "Software\\App", "X", "Other", "1"),
                       Item(kHkcu, "Software\\App", "", "None", "1")};
  ASSERT_TRUE(Apply());
  EXPECT_EQ(Get(Root::currentUser, "Software\\App", "Mode").status().code(), platform::Code::notFound);
  EXPECT_EQ(Get(Root::currentUser, "Software\\App", "Other").status().code(), platform::Code::notFound);
  EXPECT_EQ(Get(Root::currentUser, "Software\\App", "None").status().code(), platform::Code::notFound);
  EXPECT_EQ(ctx.lists.UninstallLines,
            (Lines{"RegOpenKey=Software\\App,2147483649", "RegOldValue=Mode,D,7", "RegWriteValue=Mode",
                   "RegOpenKey=Software\\App,2147483649", "RegOldValue=Other,S,x", "RegWriteValue=Other",
                   "RegOpenKey=Software\\App,2147483649", "RegWriteValue=None"}));
  EXPECT_EQ(ctx.lists.RegistryOldValues, (Lines{"D7", "Sx", ""}));
  EXPECT_EQ(ctx.lists.RegistryChanges.size(), 3u);
}

// A missing key is created with its parents and logged once by its full
// path; the next item for it opens it. Roots are written as handles.
TEST_F(RegistryItems, KeysCreatedThenOpened) {
  ctx.model.RegData = {Item(kHkcu, "Software\\Vendor\\App", "S", "A", "1"),
                       Item(kHkcu, "Software\\Vendor\\App", "D", "B", "2"),
                       Item(kHklm, "SOFTWARE\\Vendor", "S", "", "default"),
                       Item(static_cast<uint32_t>(Root::classesRoot), ".xyz", "S", "", "xyzfile"),
                       Item(static_cast<uint32_t>(Root::users), ".DEFAULT\\Software\\V", "S", "U", "u")};
  ASSERT_TRUE(Apply());
  ExpectNoReport();
  EXPECT_EQ(ctx.lists.UninstallLines,
            (Lines{"RegCreateKey=Software\\Vendor,2147483649", "RegCreateKey=Software\\Vendor\\App,2147483649",
                   "RegWriteValue=A",
                   "RegOpenKey=Software\\Vendor\\App,2147483649", "RegWriteValue=B",
                   "RegCreateKey=SOFTWARE\\Vendor,2147483650", "RegWriteValue=",
                   "RegCreateKey=.xyz,2147483648", "RegWriteValue=",
                   "RegCreateKey=.DEFAULT,2147483651", "RegCreateKey=.DEFAULT\\Software,2147483651",
                   "RegCreateKey=.DEFAULT\\Software\\V,2147483651", "RegWriteValue=U"}));
  EXPECT_EQ(ctx.lists.RegistryChanges,
            (Lines{"HKEY_CURRENT_USER\\Software\\Vendor\\App|A", "HKEY_CURRENT_USER\\Software\\Vendor\\App|B",
                   "HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor|", "HKEY_CLASSES_ROOT\\.xyz|",
                   "HKEY_USERS\\.DEFAULT\\Software\\V|U"}));
  EXPECT_EQ(ctx.lists.RegistryOldValues, (Lines{"", "", "", "", ""}));
  EXPECT_EQ(Get(Root::localMachine, "SOFTWARE\\Classes\\.xyz", "").valueOr({}), Value::text("xyzfile"));
  EXPECT_EQ(Get(Root::currentUser, "Software\\Vendor\\App", "B").valueOr({}), Value::dword(2));
}

// The parts of a line before its last field are cut at 255 characters.
TEST_F(RegistryItems, LongLinesAreCutBeforeTheirLastField) {
  const std::string key = "Software\\" + std::string(246, 'k');  // as long as a key path can be
  const std::string name(255, 'n');
  Set(Root::currentUser, key, name, Value::text("old"));
  ctx.model.RegData = {Item(kHkcu, key, "S", name, "new")};
  ASSERT_TRUE(Apply());
  const std::string keyLine = ("RegOpenKey=" + key + ",").substr(0, 255) + "2147483649";
  const std::string oldLine = ("RegOldValue=" + name + ",S,").substr(0, 255) + "old";
  const std::string writeLine = ("RegWriteValue=" + name).substr(0, 255);
  EXPECT_EQ(ctx.lists.UninstallLines, (Lines{keyLine, oldLine, writeLine}));
  EXPECT_EQ(ctx.lists.RegistryChanges, (Lines{"HKEY_CURRENT_USER\\" + key + "|" + name}));
}

// Kinds 5 and 6: the key line is logged, nothing of the item is recorded
// in the two lists, and later items are not touched.
TEST_F(RegistryItems, KeysThatCannotBeOpenedOrCreated) {
  struct Case {
    const char* title;
    uint32_t root;
    std::function<void(platform::sim::Machine&)> prepare;
    const char* line;
    const char* message;
  } cases[] = {
      {"unknown root", 0, [](platform::sim::Machine&) {}, "RegCreateKey=Software\\T,0",
       "Невозможно создать в ключ реестра Software\\T"},
      {"creation refused", kHkcu,
       [](platform::sim::Machine& m) { m.failNth(platform::sim::Op::registryCreate, 1, platform::Status(platform::Code::accessDenied, 5)); },
       "RegCreateKey=Software\\T,2147483649", "Невозможно создать в ключ реестра Software\\T"},
      {"parent refuses subkeys", kHkcu,
       [](platform::sim::Machine& m) {
         ASSERT_TRUE(m.registryStore().denyWriteAccess(Root::currentUser, "Software").ok());
       },
       "RegCreateKey=Software\\T,2147483649", "Невозможно создать в ключ реестра Software\\T"},
      {"existing key refuses full access", kHkcu,
       [](platform::sim::Machine& m) {
         ASSERT_TRUE(m.registryStore().setValue(Root::currentUser, "Software\\T", "v", Value::text("keep")).ok());
         ASSERT_TRUE(m.registryStore().denyWriteAccess(Root::currentUser, "Software\\T").ok());
       },
       "RegOpenKey=Software\\T,2147483649", "Невозможно открыть в ключ реестра Software\\T"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    platform::sim::Machine m;
    startup::SetupContext run(m, ui);
    RecordingRunEnd stop;
    c.prepare(m);
    run.lists.UninstallLines = {"Dir=C:\\App"};
    run.model.RegData = {Item(c.root, "Software\\T", "S", "v", "new"), Item(kHkcu, "Software\\Later", "S", "v", "x")};
    EXPECT_FALSE(ApplyRegistryItems(run, stop));
    ASSERT_EQ(stop.shown, (Lines{c.message}));
    EXPECT_EQ(stop.rollBacks, 1);
    EXPECT_EQ(stop.listsAtRollBack.UninstallLines, (Lines{"Dir=C:\\App", c.line}));
    EXPECT_TRUE(stop.listsAtRollBack.RegistryOldValues.empty());
    EXPECT_TRUE(stop.listsAtRollBack.RegistryChanges.empty());
    EXPECT_TRUE(run.model.RegData.empty()) << "the tables are released";
    EXPECT_FALSE(m.registry().keyExists(Root::currentUser, "Software\\Later"));
  }
}

// The second of three values fails to be written: its former value stays
// in the registry (the write replaces it instead of following a delete),
// the lists hold the first item's record and the second's former value,
// and the third item is not applied.
TEST_F(RegistryItems, AFailedWriteLosesNothing) {
  Set(Root::currentUser, "Software\\App", "Path", Value::text("C:\\Old"));
  Set(Root::currentUser, "Software\\App", "Count", Value::dword(3));
  ctx.model.RegData = {Item(kHkcu, "Software\\App", "S", "Name", "Программа"),
                       Item(kHkcu, "Software\\App", "S", "Path", "C:\\New"),
                       Item(kHkcu, "Software\\App", "D", "Count", "4")};
  machine.failNth(platform::sim::Op::registryWrite, 2, platform::Status(platform::Code::diskFull, 112));
  EXPECT_FALSE(Apply());
  ExpectOneFatalReport("Ошибка записи в ключ реестра Software\\App\\Path");
  EXPECT_EQ(Get(Root::currentUser, "Software\\App", "Path").valueOr({}), Value::text("C:\\Old"));
  EXPECT_EQ(Get(Root::currentUser, "Software\\App", "Count").valueOr({}), Value::dword(3));
  EXPECT_EQ(Get(Root::currentUser, "Software\\App", "Name").valueOr({}), Value::text("Программа"));
  const startup::RunLists& seen = end.listsAtRollBack;
  EXPECT_EQ(seen.UninstallLines,
            (Lines{"RegOpenKey=Software\\App,2147483649", "RegWriteValue=Name", "RegOpenKey=Software\\App,2147483649",
                   "RegOldValue=Path,S,C:\\Old", "RegWriteValue=Path"}));
  EXPECT_EQ(seen.RegistryOldValues, (Lines{"", "SC:\\Old"}));
  EXPECT_EQ(seen.RegistryChanges, (Lines{"HKEY_CURRENT_USER\\Software\\App|Name"}));
}

// A write that fails in a key the item has just created (with a missing
// parent) takes the new keys away again: the item has no change record, so
// the rollback would not find them. Keys that were there stay.
TEST_F(RegistryItems, AFailedWriteInANewKeyLeavesNoKey) {
  Set(Root::currentUser, "Software\\Vendor\\Other", "v", Value::text("x"));
  const std::string before = machine.registryStore().toString();
  ctx.model.RegData = {Item(kHkcu, "Software\\Vendor\\App\\Settings", "S", "Path", "C:\\App")};
  machine.failNth(platform::sim::Op::registryWrite, 1, platform::Status(platform::Code::accessDenied, 5));
  EXPECT_FALSE(Apply());
  ExpectOneFatalReport("Ошибка записи в ключ реестра Software\\Vendor\\App\\Settings\\Path");
  EXPECT_EQ(end.listsAtRollBack.UninstallLines,
            (Lines{"RegCreateKey=Software\\Vendor\\App,2147483649", "RegCreateKey=Software\\Vendor\\App\\Settings,2147483649",
                   "RegWriteValue=Path"}));
  EXPECT_EQ(machine.registryStore().toString(), before);

  // "D" data that is no number, under a new key: the same.
  platform::sim::Machine m;
  startup::SetupContext run(m, ui);
  RecordingRunEnd stop;
  const std::string empty = m.registryStore().toString();
  run.model.RegData = {Item(kHkcu, "Software\\New", "D", "N", "x")};
  EXPECT_FALSE(ApplyRegistryItems(run, stop));
  EXPECT_EQ(m.registryStore().toString(), empty);
}

// "D" data that is no 32-bit number is a write failure (kind 7); the value
// it would have replaced is kept.
TEST_F(RegistryItems, NumberDataThatIsNoNumber) {
  for (const char* data : {"12abc", "", "2147483648", "1.5"}) {
    SCOPED_TRACE(data);
    platform::sim::Machine m;
    startup::SetupContext run(m, ui);
    RecordingRunEnd stop;
    ASSERT_TRUE(m.registryStore().setValue(Root::currentUser, "Software\\App", "Count", Value::dword(9)).ok());
    run.model.RegData = {Item(kHkcu, "Software\\App", "D", "Count", data)};
    EXPECT_FALSE(ApplyRegistryItems(run, stop));
    EXPECT_EQ(stop.shown, (Lines{"Ошибка записи в ключ реестра Software\\App\\Count"}));
    EXPECT_EQ(m.registryStore().value(Root::currentUser, "Software\\App", "Count").valueOr({}), Value::dword(9));
    EXPECT_EQ(stop.listsAtRollBack.RegistryOldValues, (Lines{"D9"}));
    EXPECT_TRUE(stop.listsAtRollBack.RegistryChanges.empty());
  }
}

TEST_F(RegistryItems, NoItemsNoChanges) {
  ASSERT_TRUE(Apply());
  EXPECT_TRUE(ctx.lists.UninstallLines.empty());
  EXPECT_TRUE(ctx.lists.RegistryOldValues.empty());
}

}  // namespace
}  // namespace actions::testing
