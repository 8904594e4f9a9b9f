#include "actions/report_action_error.h"

namespace actions {

std::string ActionErrorText(uint8_t kind, const std::string& detail) {
  switch (kind) {
    case aeCreateDir: return "Невозможно создать каталог " + detail;
    case aeMessage: return detail;
    case aeLibraryMissing: return "Библиотека " + detail + " не найдена на первом дистрибутивном диске";
    case aeLibraryFailed: return "Ошибка при выполнении библиотеки " + detail;
    case aeCreateKey: return "Невозможно создать в ключ реестра " + detail;
    case aeOpenKey: return "Невозможно открыть в ключ реестра " + detail;
    case aeWriteValue: return "Ошибка записи в ключ реестра " + detail;
    case aeNoScript: return "Нет описания процедуры установки";
    default: return detail;  // callers pass 1..8; an unknown kind still says something
  }
}

void ReportActionError(startup::SetupContext& ctx, RunEnd& end, uint8_t kind, const std::string& detail) {
  const std::string text = ActionErrorText(kind, detail);
  if (!ctx.window.BreakRequested) end.ShowFatalError(text);
  end.RollBack(ctx);
  ctx.model.ReleaseScriptTables();
  end.Terminate();
}

}  // namespace actions
