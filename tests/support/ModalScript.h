#pragma once

#include <QDialog>

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

#include "platform/framework/StandardIds.h"

namespace testing_support {

// A dialog that went through framework::RunModal while a script was installed.
struct SeenDialog {
  std::string type;  // the C++ class
  std::string caption;
  int templateId = 0;  // of a framework::CDialog, 0 otherwise
  bool isMessageBox = false;
  std::string text;  // message boxes: the text, icon, buttons and default button
  unsigned icon = 0;
  std::vector<int> buttons;
  int defaultButton = 0;
  int result = 0;  // what RunModal returned
};

// Answers modal dialogs for one test, in the order they are expected:
//
//   ModalScript script;
//   script.expectMessage("Please enter an integer.")
//         .expectDialog<CFileNamingDlg>([](CFileNamingDlg& d) { d.GetDlgItem(IDOK)->...; });
//
// An answer is a result code, with which the dialog ends untouched (a CDialog's fields are not
// read back), or a callable that gets the dialog shown and acts on it. A callable returning int
// gives the result (and a dialog it left open ends with it); one returning void must end the
// dialog (a button, EndDialog, Escape), whose own result is then returned.
// A dialog nobody expected fails the test and is closed as Escape would close it; expected
// dialogs that never came fail it when the script goes. The previous modal hook is restored
// then too.
class ModalScript {
 public:
  using Matcher = std::function<bool(QDialog&)>;
  using Answer = std::function<int(QDialog&)>;

  ModalScript();
  ~ModalScript();
  ModalScript(const ModalScript&) = delete;
  ModalScript& operator=(const ModalScript&) = delete;

  // A message box showing exactly `text`.
  ModalScript& expectMessage(std::string text, int result = framework::IDOK);
  template <class Reply>
  ModalScript& expectMessage(std::string text, Reply reply) {
    return expect("message box \"" + text + "\"", TextIs(text), Wrap<QDialog>(std::move(reply)));
  }
  // A dialog with this caption.
  template <class Reply>
  ModalScript& expectCaption(std::string caption, Reply reply) {
    return expect("dialog \"" + caption + "\"", CaptionIs(caption),
                  Wrap<QDialog>(std::move(reply)));
  }
  // A dialog of class D (or one derived from it).
  template <class D, class Reply>
  ModalScript& expectDialog(Reply reply) {
    return expect(
        "dialog of class " + ClassName(typeid(D)),
        [](QDialog& d) { return dynamic_cast<D*>(&d) != nullptr; }, Wrap<D>(std::move(reply)));
  }
  // The general form; `description` names the dialog in failure messages.
  ModalScript& expect(std::string description, Matcher matches, Answer answer);

  const std::vector<SeenDialog>& seen() const { return seen_; }
  std::size_t pending() const { return expected_.size(); }

 private:
  struct Expected {
    std::string description;
    Matcher matches;
    Answer answer;
  };

  static std::string ClassName(const std::type_info& type);
  static Matcher TextIs(std::string text);
  static Matcher CaptionIs(std::string caption);
  static int EndWith(QDialog& dialog, int result);
  static int Act(QDialog& dialog, const std::function<void()>& act, const int* result);

  template <class D, class Reply>
  static Answer Wrap(Reply reply) {
    if constexpr (std::is_convertible_v<Reply, int>) {
      return [result = static_cast<int>(reply)](QDialog& d) { return EndWith(d, result); };
    } else {
      return [reply = std::move(reply)](QDialog& d) {
        D& dialog = dynamic_cast<D&>(d);
        if constexpr (std::is_void_v<std::invoke_result_t<Reply&, D&>>) {
          return Act(
              d, [&] { reply(dialog); }, nullptr);
        } else {
          int result = 0;
          return Act(
              d, [&] { result = reply(dialog); }, &result);
        }
      };
    }
  }

  int run(QDialog& dialog);

  std::function<int(QDialog&)> previous_;
  std::deque<Expected> expected_;
  std::vector<SeenDialog> seen_;
};

}  // namespace testing_support
