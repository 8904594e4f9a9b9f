// Registry behaviour the engine relies on, identical on every backend. The
// tests work below a scratch key of HKEY_CURRENT_USER.

#include "tests/platform/contract.h"

namespace platform::testing {
namespace {

using RegistryContract = Contract;

TEST_P(RegistryContract, TypedValuesRoundTrip) {
  bool created = false;
  auto k = reg().create(Root::currentUser, key(), &created);
  ASSERT_TRUE(k.ok()) << k.status().toString();
  EXPECT_TRUE(created);
  struct Case {
    const char* name;
    Value value;
  } cases[] = {
      {"Text", Value::text("C:\\Program Files\\Пакет")},
      {"Empty", Value::text("")},
      {"Expand", Value::expandText("%SystemRoot%\\x")},
      {"Number", Value::dword(0xDEADBEEF)},
      {"Bytes", Value::binaryData(std::string("\x00\x01\xFF", 3))},
      {"Lines", Value{ValueType::multiString, std::string("one") + '\0' + "два"}},
      {"", Value::text("default value")},
  };
  for (const Case& c : cases) ASSERT_TRUE((*k)->write(c.name, c.value).ok()) << c.name;
  k = reg().open(Root::currentUser, key(), Access::read);
  ASSERT_TRUE(k.ok());
  for (const Case& c : cases) {
    auto v = (*k)->read(c.name);
    ASSERT_TRUE(v.ok()) << c.name << ": " << v.status().toString();
    EXPECT_EQ(v->type, c.value.type) << c.name;
    EXPECT_EQ(v->data, c.value.data) << c.name;
  }
  auto names = (*k)->valueNames();
  ASSERT_TRUE(names.ok());
  EXPECT_EQ(names->size(), std::size(cases));
  EXPECT_EQ(Value::dword(0xDEADBEEF).asDword(), 0xDEADBEEFu);
}

// A write over an existing value replaces its data and its type in one
// step: the registry step relies on it so that a failed write leaves the
// former value in place. Flushing an open key is allowed at any time.
TEST_P(RegistryContract, WriteReplacesValueAndType) {
  auto k = reg().create(Root::currentUser, key(), nullptr);
  ASSERT_TRUE(k.ok()) << k.status().toString();
  ASSERT_TRUE((*k)->write("Path", Value::expandText("%TEMP%\\a")).ok());
  ASSERT_TRUE((*k)->write("Path", Value::dword(0xFFFFFFFB)).ok());
  ASSERT_TRUE((*k)->write("Lines", Value{ValueType::multiString, std::string("a") + '\0' + "b"}).ok());
  ASSERT_TRUE((*k)->write("LINES", Value::binaryData("")).ok());
  EXPECT_TRUE((*k)->flush().ok());
  k = reg().open(Root::currentUser, key(), Access::read);
  ASSERT_TRUE(k.ok());
  EXPECT_EQ((*k)->read("path").valueOr({}), Value::dword(0xFFFFFFFB));
  EXPECT_EQ((*k)->read("Lines").valueOr({}), Value::binaryData(""));
  auto names = (*k)->valueNames();
  ASSERT_TRUE(names.ok());
  EXPECT_EQ(names->size(), 2u);
}

TEST_P(RegistryContract, MissingKeysAndValues) {
  EXPECT_EQ(reg().open(Root::currentUser, key(), Access::read).status().code(), Code::notFound);
  EXPECT_EQ(reg().open(Root::currentUser, key() + "\\deeper", Access::all).status().code(), Code::notFound);
  EXPECT_FALSE(reg().keyExists(Root::currentUser, key()));
  EXPECT_EQ(reg().removeKey(Root::currentUser, key()).code(), Code::notFound);
  auto k = reg().create(Root::currentUser, key(), nullptr);
  ASSERT_TRUE(k.ok());
  EXPECT_TRUE(reg().keyExists(Root::currentUser, key()));
  EXPECT_EQ((*k)->read("absent").status().code(), Code::notFound);
  EXPECT_EQ((*k)->read("").status().code(), Code::notFound) << "a new key has no default value";
  EXPECT_EQ((*k)->removeValue("absent").code(), Code::notFound);
}

TEST_P(RegistryContract, NamesIgnoreCaseAndKeepIt) {
  auto k = reg().create(Root::currentUser, key() + "\\MixedKey", nullptr);
  ASSERT_TRUE(k.ok());
  ASSERT_TRUE((*k)->write("ValueName", Value::text("v")).ok());
  auto again = reg().open(Root::currentUser, key() + "\\MIXEDKEY", Access::all);
  ASSERT_TRUE(again.ok());
  auto v = (*again)->read("VALUENAME");
  ASSERT_TRUE(v.ok());
  EXPECT_EQ(v->data, "v");
  ASSERT_TRUE((*again)->write("valuename", Value::text("w")).ok());
  auto names = (*again)->valueNames();
  ASSERT_TRUE(names.ok());
  EXPECT_EQ(*names, std::vector<std::string>{"ValueName"});
  bool created = true;
  ASSERT_TRUE(reg().create(Root::currentUser, key() + "\\mixedkey", &created).ok());
  EXPECT_FALSE(created);
  auto parent = reg().open(Root::currentUser, key(), Access::read);
  ASSERT_TRUE(parent.ok());
  auto subkeys = (*parent)->subkeys();
  ASSERT_TRUE(subkeys.ok());
  EXPECT_EQ(*subkeys, std::vector<std::string>{"MixedKey"});
}

TEST_P(RegistryContract, SubkeysAndRemoval) {
  ASSERT_TRUE(reg().create(Root::currentUser, key() + "\\A\\B\\C", nullptr).ok());
  ASSERT_TRUE(reg().create(Root::currentUser, key() + "\\A\\B2", nullptr).ok());
  auto a = reg().open(Root::currentUser, key() + "\\A", Access::read);
  ASSERT_TRUE(a.ok());
  auto subkeys = (*a)->subkeys();
  ASSERT_TRUE(subkeys.ok());
  std::sort(subkeys->begin(), subkeys->end());
  EXPECT_EQ(*subkeys, (std::vector<std::string>{"B", "B2"}));
  EXPECT_EQ(reg().removeKey(Root::currentUser, key() + "\\A\\B").code(), Code::notEmpty);
  EXPECT_TRUE(reg().keyExists(Root::currentUser, key() + "\\A\\B\\C"));
  EXPECT_TRUE(reg().removeKey(Root::currentUser, key() + "\\A\\B\\C").ok());
  EXPECT_TRUE(reg().removeKey(Root::currentUser, key() + "\\A\\B").ok());
  EXPECT_FALSE(reg().keyExists(Root::currentUser, key() + "\\A\\B"));
  EXPECT_EQ(reg().removeKey(Root::currentUser, key() + "\\A\\B").code(), Code::notFound);
}

TEST_P(RegistryContract, ReadAccessRefusesWrites) {
  ASSERT_TRUE(reg().create(Root::currentUser, key(), nullptr).ok());
  auto k = reg().open(Root::currentUser, key(), Access::read);
  ASSERT_TRUE(k.ok());
  EXPECT_EQ((*k)->write("x", Value::text("y")).code(), Code::accessDenied);
  auto w = reg().open(Root::currentUser, key(), Access::all);
  ASSERT_TRUE(w.ok());
  ASSERT_TRUE((*w)->write("x", Value::text("y")).ok());
  EXPECT_EQ((*k)->removeValue("x").code(), Code::accessDenied);
  EXPECT_TRUE((*w)->removeValue("x").ok());
  EXPECT_EQ((*w)->read("x").status().code(), Code::notFound);
}

TEST_P(RegistryContract, ClassesRootIsReadable) {
  // HKEY_CLASSES_ROOT exists on every machine; the engine registers servers there.
  EXPECT_TRUE(reg().keyExists(Root::classesRoot, ""));
  EXPECT_TRUE(reg().keyExists(Root::localMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"));
}

TEST_P(RegistryContract, ClassesRootWritesLandInTheMachineClasses) {
  const std::string name = "CLSID\\{" + key().substr(key().rfind('\\') + 1) + "}";
  auto k = reg().create(Root::classesRoot, name, nullptr);
  ASSERT_TRUE(k.ok()) << k.status().toString();
  ASSERT_TRUE((*k)->write("", Value::text("Server")).ok());
  k = Status();
  auto machineKey = reg().open(Root::localMachine, "SOFTWARE\\Classes\\" + name, Access::read);
  ASSERT_TRUE(machineKey.ok()) << machineKey.status().toString();
  auto value = (*machineKey)->read("");
  machineKey = Status();
  EXPECT_TRUE(reg().removeKey(Root::classesRoot, name).ok());
  ASSERT_TRUE(value.ok()) << value.status().toString();
  EXPECT_EQ(value->data, "Server");
  EXPECT_FALSE(reg().keyExists(Root::localMachine, "SOFTWARE\\Classes\\" + name));
}

TEST_P(RegistryContract, RemovedKeyHandlesFail) {
  auto k = reg().create(Root::currentUser, key(), nullptr);
  ASSERT_TRUE(k.ok());
  ASSERT_TRUE(reg().removeKey(Root::currentUser, key()).ok());
  const Status written = (*k)->write("v", Value::text("x"));
  EXPECT_EQ(written.code(), Code::failed) << written.toString();
  EXPECT_EQ(written.native(), 1018u) << "ERROR_KEY_DELETED";
  EXPECT_FALSE(reg().keyExists(Root::currentUser, key())) << "a write must not bring the key back";
}

TEST_P(RegistryContract, DwordValuesTakeFourBytes) {
  auto k = reg().create(Root::currentUser, key(), nullptr);
  ASSERT_TRUE(k.ok());
  for (const char* data : {"", "123", "12345"}) {
    EXPECT_EQ((*k)->write("d", Value{ValueType::dword, data}).code(), Code::invalidArgument) << '"' << data << '"';
  }
  EXPECT_EQ((*k)->read("d").status().code(), Code::notFound) << "nothing was stored";
  EXPECT_TRUE((*k)->write("d", Value::dword(3)).ok());
}

INSTANTIATE_TEST_SUITE_P(Backends, RegistryContract, ::testing::ValuesIn(contractBackends()), backendName);

}  // namespace
}  // namespace platform::testing
