#include "tests/support/ModalScript.h"

#include <gtest/gtest.h>

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <sstream>

#include "platform/framework/Dialog.h"
#include "platform/framework/MessageBox.h"
#include "platform/framework/Modal.h"

namespace testing_support {
namespace {

std::string ModalScriptClassName(const std::type_info& type) {
  int status = 0;
  const std::unique_ptr<char, decltype(&std::free)> plain(
      abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
  return status == 0 && plain ? plain.get() : type.name();
}

SeenDialog Describe(const QDialog& dialog) {
  SeenDialog seen;
  seen.type = ModalScriptClassName(typeid(dialog));
  seen.caption = dialog.windowTitle().toStdString();
  if (const auto* cdialog = dynamic_cast<const framework::CDialog*>(&dialog)) {
    seen.templateId = cdialog->dialogTemplate().id;
  }
  if (const auto box = framework::DescribeMessageBox(dialog)) {
    seen.isMessageBox = true;
    seen.text = box->text;
    seen.icon = box->icon;
    seen.buttons = box->buttons;
    seen.defaultButton = box->defaultButton;
  }
  return seen;
}

std::string Show(const SeenDialog& seen) {
  std::ostringstream out;
  out << seen.type << " \"" << seen.caption << "\"";
  if (seen.isMessageBox) out << " saying \"" << seen.text << "\"";
  return out.str();
}

}  // namespace

ModalScript::ModalScript()
    : previous_(framework::SetModalHook([this](QDialog& dialog) { return run(dialog); })) {}

ModalScript::~ModalScript() {
  framework::SetModalHook(std::move(previous_));
  for (const Expected& expected : expected_) {
    ADD_FAILURE() << "Expected " << expected.description << " never appeared";
  }
}

ModalScript& ModalScript::expectMessage(std::string text, int result) {
  return expectMessage<int>(std::move(text), result);
}

ModalScript& ModalScript::expect(std::string description, Matcher matches, Answer answer) {
  expected_.push_back({std::move(description), std::move(matches), std::move(answer)});
  return *this;
}

std::string ModalScript::ClassName(const std::type_info& type) {
  return ModalScriptClassName(type);
}

ModalScript::Matcher ModalScript::TextIs(std::string text) {
  return [text = std::move(text)](QDialog& dialog) {
    const auto box = framework::DescribeMessageBox(dialog);
    return box && box->text == text;
  };
}

ModalScript::Matcher ModalScript::CaptionIs(std::string caption) {
  return [caption = std::move(caption)](QDialog& dialog) {
    return dialog.windowTitle().toStdString() == caption;
  };
}

int ModalScript::EndWith(QDialog& dialog, int result) {
  dialog.done(result);
  return result;
}

int ModalScript::Act(QDialog& dialog, const std::function<void()>& act, const int* result) {
  dialog.show();
  act();
  if (dialog.isVisible()) {
    if (result != nullptr) return EndWith(dialog, *result);
    // Nothing ended it and no result was given: a real run would still be waiting.
    ADD_FAILURE() << "Dialog \"" << dialog.windowTitle().toStdString()
                  << "\" was still open after its answer";
    dialog.reject();
    dialog.hide();
  }
  return result != nullptr ? *result : dialog.result();
}

int ModalScript::run(QDialog& dialog) {
  // By index: the answer may open more dialogs, which land in seen_ too.
  const std::size_t index = seen_.size();
  seen_.push_back(Describe(dialog));
  int result = 0;
  if (expected_.empty() || !expected_.front().matches(dialog)) {
    ADD_FAILURE() << "Unexpected " << Show(seen_[index]) << "; expected "
                  << (expected_.empty() ? "no dialog" : expected_.front().description);
    dialog.reject();
    result = dialog.result();
  } else {
    const Expected expected = std::move(expected_.front());
    expected_.pop_front();
    result = expected.answer(dialog);
  }
  seen_[index].result = result;
  return result;
}

}  // namespace testing_support
