#pragma once
// The in-memory file requester of the tests: answers every dialog from a
// queue of scripted user answers, and records what each dialog was asked.
//
// An answer is applied as the real dialog would: a chosen name without an
// extension gets the default extension; an open dialog that needs existing
// files refuses a name that does not exist, and a save dialog with the
// overwrite prompt asks about an existing file (answered by the answer's
// overwrite choice; "no" returns to the dialog). A refused answer moves on
// to the next queued one, as the user would choose again; an empty queue
// cancels.
#include <deque>
#include <vector>

#include "platform/file_dialog.h"

namespace plat::headless {

struct FileAnswer {
  bool cancel = false;
  std::vector<boost::filesystem::path> paths;
  int32_t filterIndex = 0;  // 0: leave the preselected filter
  bool overwrite = true;    // the answer to the overwrite question
};

class HeadlessFileDialogs : public FileDialogBackend {
 public:
  // Installs itself as the file dialog back end; the destructor takes it out.
  HeadlessFileDialogs();
  ~HeadlessFileDialogs() override;
  HeadlessFileDialogs(const HeadlessFileDialogs&) = delete;
  HeadlessFileDialogs& operator=(const HeadlessFileDialogs&) = delete;

  FileDialogResult Run(const FileDialogRequest& request) override;

  void Queue(const FileAnswer& answer) { answers_.push_back(answer); }
  void QueueChoose(const boost::filesystem::path& path, int32_t filterIndex = 0, bool overwrite = true);
  void QueueChooseMany(const std::vector<boost::filesystem::path>& paths);
  void QueueCancel();
  size_t AnswersLeft() const { return answers_.size(); }

  // Every dialog shown, in order.
  const std::vector<FileDialogRequest>& Requests() const { return requests_; }
  // The files the overwrite question was asked about, in order.
  const std::vector<boost::filesystem::path>& OverwriteQuestions() const { return questions_; }
  // Answers the dialog refused (a missing file, overwrite answered no).
  int RefusedCount() const { return refused_; }

 private:
  std::deque<FileAnswer> answers_;
  std::vector<FileDialogRequest> requests_;
  std::vector<boost::filesystem::path> questions_;
  int refused_ = 0;
};

}  // namespace plat::headless
