#include "ui/message_box.h"

namespace ui {

std::vector<ModalResult> resultsOf(MessageButtons buttons) {
  using R = ModalResult;
  switch (buttons) {
    case MessageButtons::Ok: return {R::Ok};
    case MessageButtons::OkCancel: return {R::Ok, R::Cancel};
    case MessageButtons::AbortRetryIgnore: return {R::Abort, R::Retry, R::Ignore};
    case MessageButtons::YesNoCancel: return {R::Yes, R::No, R::Cancel};
    case MessageButtons::YesNo: return {R::Yes, R::No};
    case MessageButtons::RetryCancel: return {R::Retry, R::Cancel};
  }
  return {R::Ok};
}

const char* nameOf(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::Ok: return "OK";
    case MessageButtons::OkCancel: return "OK/Cancel";
    case MessageButtons::AbortRetryIgnore: return "Abort/Retry/Ignore";
    case MessageButtons::YesNoCancel: return "Yes/No/Cancel";
    case MessageButtons::YesNo: return "Yes/No";
    case MessageButtons::RetryCancel: return "Retry/Cancel";
  }
  return "?";
}

const char* nameOf(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::None: return "no icon";
    case MessageIcon::Error: return "error icon";
    case MessageIcon::Question: return "question icon";
    case MessageIcon::Warning: return "warning icon";
    case MessageIcon::Information: return "information icon";
  }
  return "?";
}

const char* nameOf(ModalResult result) {
  switch (result) {
    case ModalResult::None: return "None";
    case ModalResult::Ok: return "OK";
    case ModalResult::Cancel: return "Cancel";
    case ModalResult::Abort: return "Abort";
    case ModalResult::Retry: return "Retry";
    case ModalResult::Ignore: return "Ignore";
    case ModalResult::Yes: return "Yes";
    case ModalResult::No: return "No";
    case ModalResult::All: return "All";
    case ModalResult::NoToAll: return "NoToAll";
    case ModalResult::YesToAll: return "YesToAll";
  }
  return "?";
}

}  // namespace ui
