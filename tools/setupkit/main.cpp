// setupkit: the package author's tool. The command line is read by CLI11, so
// every command has the same help, errors and option syntax.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "text/codepage.h"
#include "tools/setupkit/commands.h"
#include "tools/setupkit/console.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

namespace setupkit {
namespace {

// The command line as UTF-8. On Windows the narrow argv is in the ANSI code
// page, so the wide command line is read instead.
std::vector<std::string> utf8CommandLine(int argc, char** argv) {
#ifdef _WIN32
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide) {
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) {
      std::wstring w(wide[i]);
      out.push_back(text::utf16ToUtf8(std::u16string(w.begin(), w.end())));
    }
    LocalFree(wide);
    if (static_cast<int>(out.size()) == argc) return out;
  }
#endif
  return std::vector<std::string>(argv, argv + argc);
}

const CLI::Validator kSize(
    [](std::string& s) {
      uint64_t v = 0;
      return parseSize(s, v) ? std::string() : "not a size in bytes (suffix k, m or g allowed): " + s;
    },
    "SIZE");

const CLI::Validator kSizeOrNone(
    [](std::string& s) {
      uint64_t v = 0;
      return s == "none" || parseSize(s, v) ? std::string()
                                             : "not a size in bytes (suffix k, m or g allowed) or none: " + s;
    },
    "SIZE|none");

// Converts a validated size option once parsing is done.
uint64_t sizeOf(const std::string& text) {
  uint64_t v = 0;
  return text.empty() ? 0 : (parseSize(text, v) ? v : 0);
}

const char* describePositional(const std::string& name) {
  if (name == "ARCHIVE") return "the archive (its first volume)";
  if (name == "DIR") return "where the members go";
  if (name == "OUT") return "the archive to write";
  return "";
}

struct Cli {
  CLI::App app{"The package author's tool: lint a setup script, build a distribution medium, simulate an "
               "installation, and list, test, extract or pack RAR archives.",
               "setupkit"};
  Args archive;
  std::string volumeSizeText;
  std::string maxOutputText;
  BuildArgs build;
  std::string buildVolumeSizeText;
  SimulateArgs simulate;
  std::string helpTopic;
  std::string lintScript;
  int status = 0;

  Cli() {
    app.require_subcommand(1);
    app.set_help_all_flag("--help-all", "show the help of every command");
    app.footer("Run 'setupkit COMMAND --help' for a command's arguments.");

    auto* lint = app.add_subcommand("lint", "check a setup script and summarise it");
    lint->add_option("SCRIPT", lintScript, "the setup script (PATH/Install.Ini)")->required()->type_name("");
    lint->callback([this] {
      archive.positional = {lintScript};
      status = runLint(archive);
    });

    auto* build = app.add_subcommand("build", "build a distribution medium from a package folder");
    build->add_option("SOURCE_DIR", this->build.sourceDir, "folder holding Install.Ini and the package's files")
        ->required()
        ->type_name("");
    build->add_option("OUT_DIR", this->build.outDir, "folder that receives the medium")->required()->type_name("");
    build->add_option("--volume-size", buildVolumeSizeText, "split data.000 into volumes of this size")
        ->check(kSize);
    build->add_flag("--disks", this->build.disks, "put each volume in its own Disk1, Disk2 ... folder");
    build->add_flag("--force", this->build.force, "replace a medium already in OUT_DIR");
    build->add_option("--setup-exe", this->build.setupExe, "the engine (setup.exe) to copy beside install.dat");
    build->add_option("--uninstaller", this->build.uninstaller,
                      "the uninstaller packed as [Main] UFile when the package folder has none "
                      "(default: uninstall.exe beside --setup-exe)");
    auto* sign = build->add_option("--sign", this->build.signCert,
                                   "sign setup.exe and the uninstaller with this certificate (PKCS#12 .pfx)");
    build->add_option("--sign-password-file", this->build.signPasswordFile, "file holding the certificate's password")
        ->needs(sign);
    build->callback([this] {
      this->build.volumeSize = sizeOf(buildVolumeSizeText);
      status = runBuild(this->build);
    });

    auto* sim = app.add_subcommand("simulate", "install a medium on a simulated machine and show what happens");
    sim->add_option("PACKAGE_DIR", simulate.packageDir, "the distribution medium (setup files, install.dat, data.000)")
        ->required()
        ->type_name("");
    sim->add_option("--machine", simulate.machineDir, "the machine before the run (drive_c/, registry.reg, machine.ini)");
    sim->add_option("--answers", simulate.answersFile, "the user's answers to the wizard");
    sim->add_option("--out", simulate.outDir, "write the machine after the run here, in the --machine form");
    sim->add_flag("--uninstall", simulate.uninstall,
                  "after the installation, run the uninstaller as the Uninstall entry starts it, and show what it changed");
    sim->callback([this] { status = runSimulate(simulate); });

    for (auto* reader : {addArchiveCommand("list", "list the members of a RAR archive", {"ARCHIVE"}, runList),
                         addArchiveCommand("test", "check every member's data and checksum", {"ARCHIVE"}, runTest),
                         addArchiveCommand("extract", "extract a RAR archive into DIR", {"ARCHIVE", "DIR"}, runExtract)}) {
      reader->add_option("--max-output", maxOutputText,
                         "stop a member that unpacks to more than SIZE bytes, or none (default: a multiple of the "
                         "archive's size)")
          ->check(kSizeOrNone);
    }
    auto* pack = addArchiveCommand("pack", "store files in a RAR 5 archive", {"OUT", "FILES"}, runPack);
    auto* pw = pack->get_option("-p");
    pack->add_flag("--encrypt-headers", archive.encryptHeaders, "encrypt the headers too")->needs(pw);
    pack->add_option("--volume-size", volumeSizeText, "split the archive into volumes of this size")->check(kSize);
    pack->add_flag("--old-naming", archive.oldNaming, "name volumes .r00, .r01 ... instead of .partN.rar");

    auto* help = app.add_subcommand("help", "show this help, or a command's");
    help->add_option("COMMAND", helpTopic, "the command to explain")->type_name("");
    help->callback([this] {
      if (helpTopic.empty()) {
        std::printf("%s", app.help().c_str());
        return;
      }
      try {
        std::printf("%s", app.get_subcommand(helpTopic)->help("setupkit").c_str());
      } catch (const CLI::OptionNotFound&) {
        std::fprintf(stderr, "setupkit help: unknown command '%s'\n", helpTopic.c_str());
        status = 2;
      }
    });
  }

  CLI::App* addArchiveCommand(const char* name, const char* summary, std::vector<const char*> positionals,
                              int (*run)(const Args&)) {
    auto* cmd = app.add_subcommand(name, summary);
    // Each positional has its own name in the help; the command receives
    // them in order in Args::positional.
    auto values = std::make_shared<std::vector<std::vector<std::string>>>(positionals.size());
    auto singles = std::make_shared<std::vector<std::string>>(positionals.size());
    for (std::size_t i = 0; i < positionals.size(); ++i) {
      if (std::string(positionals[i]) == "FILES") {
        cmd->add_option(positionals[i], (*values)[i], "files and folders to store")->required()->type_name("");
      } else {
        cmd->add_option(positionals[i], (*singles)[i], describePositional(positionals[i]))->required()->type_name("");
      }
    }
    cmd->add_option("-p,--password", archive.password, "the archive's password");
    cmd->callback([this, run, values, singles] {
      archive.positional.clear();
      for (std::size_t i = 0; i < values->size(); ++i) {
        if ((*values)[i].empty()) archive.positional.push_back((*singles)[i]);
        archive.positional.insert(archive.positional.end(), (*values)[i].begin(), (*values)[i].end());
      }
      archive.volumeSize = sizeOf(volumeSizeText);
      archive.hasMaxOutput = !maxOutputText.empty();
      archive.maxOutput = maxOutputText == "none" ? 0 : sizeOf(maxOutputText);
      status = run(archive);
    });
    return cmd;
  }
};

}  // namespace
}  // namespace setupkit

int main(int argc, char** argv) {
  using namespace setupkit;
  initConsole();
  Cli cli;
  std::vector<std::string> args = utf8CommandLine(argc, argv);
  if (args.size() < 2) {
    std::printf("%s", cli.app.help().c_str());
    return 2;
  }
  // A word that names no command gets a clearer error than CLI11's.
  if (args[1].empty() || args[1][0] != '-') {
    bool known = false;
    for (const CLI::App* sub : cli.app.get_subcommands({})) known = known || sub->get_name() == args[1];
    if (!known) {
      std::fprintf(stderr, "setupkit: unknown command '%s' (try 'setupkit help')\n", args[1].c_str());
      return 2;
    }
  }
  std::vector<const char*> pointers;
  for (const auto& a : args) pointers.push_back(a.c_str());
  try {
    cli.app.parse(static_cast<int>(pointers.size()), pointers.data());
  } catch (const CLI::CallForHelp& e) {
    return cli.app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return cli.app.exit(e);
  } catch (const CLI::ParseError& e) {
    // One form for every command's usage errors: the command, the reason,
    // where to look, and status 2.
    std::string where = "setupkit";
    for (const CLI::App* sub : cli.app.get_subcommands()) where += " " + sub->get_name();
    std::fprintf(stderr, "%s: %s\nRun '%s --help' for more information.\n", where.c_str(), e.what(), where.c_str());
    return 2;
  }
  return cli.status;
}
