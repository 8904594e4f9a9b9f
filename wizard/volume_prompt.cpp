#include "wizard/volume_prompt.h"

#include "wizard/ask_floppy_form.h"
#include "wizard/ask_form.h"
#include "wizard/volume_paths.h"

namespace wizard {

std::optional<std::string> AskForMissingVolume(startup::SetupContext& ctx, ui::Application& app,
                                               const std::string& expectedPath, std::size_t capacity) {
  // A break already requested stands: asking now could only lose it.
  if (ctx.window.BreakRequested) return std::nullopt;

  app.bringToFront();
  const ui::CursorScope arrow(app, ui::Cursor::Default);
  std::optional<std::string> answer;
  if (ctx.window.SourceIsRemovable) {
    if (!AskForNextDiskette(app) && FitsNameBuffer(expectedPath, capacity)) answer = expectedPath;
  } else {
    answer = AskForNextVolume(app, ctx.os.files(), expectedPath, capacity);
  }
  if (!answer) ctx.window.BreakRequested = true;
  return answer;
}

rar::VolumeCallback MakeVolumeCallback(startup::SetupContext& ctx, ui::Application& app, std::size_t capacity) {
  return [&ctx, &app, capacity](rar::VolumeEvent event, std::string& path) {
    if (event == rar::VolumeEvent::missing) {
      if (std::optional<std::string> next = AskForMissingVolume(ctx, app, path, capacity)) path = std::move(*next);
    }
    app.processMessages();
    return !ctx.window.BreakRequested;
  };
}

}  // namespace wizard
