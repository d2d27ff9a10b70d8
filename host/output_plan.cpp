#include "host/output_plan.h"

#include <algorithm>
#include <cstddef>
#include <system_error>
#include <utility>
#ifdef _WIN32
#include <cwctype>
#endif

#include "host/argument_path.h"

namespace fs = std::filesystem;

namespace {

// The form under which two paths naming one file compare equal (apart from hard links).
fs::path::string_type identity(const fs::path& path) {
  std::error_code error;
  fs::path resolved = fs::weakly_canonical(path, error);
  if (error) resolved = fs::absolute(path, error).lexically_normal();
  fs::path::string_type key = resolved.native();
#ifdef _WIN32
  // Windows file names ignore case.
  for (auto& c : key)
    c = static_cast<wchar_t>(std::towlower(c));
#endif
  return key;
}

}  // namespace

fs::path output_name(const fs::path& input, const fs::path& directory, const char* extension) {
  fs::path name = input.filename();
  // A name that ends in a separator ("dir/") names its last component.
  if (name.empty()) name = input.parent_path().filename();
  if (name.has_stem() && name.has_extension()) name = name.stem();
  name += extension;
  return directory / name;
}

OutputPlan plan_outputs(const std::vector<fs::path>& inputs, const fs::path& directory,
                        OutputFormat format) {
  OutputPlan plan;
  plan.jobs.reserve(inputs.size());
  for (const fs::path& input : inputs)
    plan.jobs.push_back(
        {input, output_name(input, directory, mirtabel::output_format_names(format).extension)});

  // Every identity with the job it belongs to and whether it is that job's output, sorted so
  // that equal identities sit side by side.
  struct Entry {
    fs::path::string_type key;
    std::size_t job;
    bool is_output;
  };
  std::vector<Entry> entries;
  entries.reserve(plan.jobs.size() * 3);
  for (std::size_t i = 0; i < plan.jobs.size(); ++i) {
    entries.push_back({identity(plan.jobs[i].input), i, false});
    entries.push_back({identity(plan.jobs[i].output), i, true});
    entries.push_back({identity(left_out_name(plan.jobs[i], format, false)), i, true});
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& a, const Entry& b) { return a.key < b.key; });

  for (std::size_t begin = 0; begin < entries.size();) {
    std::size_t end = begin + 1;
    while (end < entries.size() && entries[end].key == entries[begin].key)
      ++end;
    // Among the paths that name one file: at most one output, and no input of another job.
    const Entry* output = nullptr;
    for (std::size_t k = begin; k < end; ++k) {
      if (!entries[k].is_output) continue;
      if (output != nullptr) {
        const FileJob& first = plan.jobs[std::min(output->job, entries[k].job)];
        const FileJob& second = plan.jobs[std::max(output->job, entries[k].job)];
        plan.error = quoted_name(first.input) + " and " + quoted_name(second.input) +
                     " would both be written to " + quoted_name(first.output);
        return plan;
      }
      output = &entries[k];
    }
    if (output != nullptr) {
      for (std::size_t k = begin; k < end; ++k) {
        if (entries[k].is_output || entries[k].job == output->job) continue;
        const FileJob& job = plan.jobs[output->job];
        plan.error = "an output for " + quoted_name(job.input) + " would replace the input " +
                     quoted_name(plan.jobs[entries[k].job].input);
        return plan;
      }
    }
    begin = end;
  }
  return plan;
}
