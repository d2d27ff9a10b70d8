#include "recipes/recipe_html.h"

#include <cstddef>
#include <cstdint>

#include "recipes/recipe_json.h"
#include "recipes/recipe_values.h"

namespace mirtabel {
namespace {

// The style sheet. The Content-Security-Policy allows this one by its SHA-256 hash (base64) and
// nothing else: no script, no image, font or request of any kind. A change to the style sheet
// needs the new hash, which tests/html/check_cookbook.mjs computes and compares.
constexpr char kStyle[] =
    "\n"
    "body{font:1rem/1.5 Georgia,'DejaVu Serif',serif;color:#222;background:#fff;"
    "max-width:44rem;margin:0 auto;padding:1rem 1.25rem}\n"
    "h1{font-size:2.2rem;margin:1rem 0 .5rem}\n"
    "h2{font-size:1.6rem;margin:0 0 .5rem}\n"
    "h3{font-size:1.15rem;margin:1.2rem 0 .4rem}\n"
    "h4{font-size:1rem;font-style:italic;margin:.8rem 0 .2rem}\n"
    "nav ol{columns:2 14rem;padding-left:2rem}\n"
    "article{border-top:1px solid #bbb;margin-top:2.5rem;padding-top:1.5rem}\n"
    "dl.facts{display:flex;flex-wrap:wrap;gap:.2rem 1.6rem;margin:0 0 .8rem}\n"
    "dl.facts dt,dl.facts dd{display:inline;margin:0}\n"
    "dl.facts dt{font-weight:bold;margin-right:.3rem}\n"
    "dl.facts dd+dd::before{content:'; '}\n"
    "ul,ol{margin:.2rem 0;padding-left:1.6rem}\n"
    "li{margin:.1rem 0}\n"
    ".steps li{margin:.35rem 0}\n"
    ".notes p{margin:.3rem 0}\n"
    ".cut{color:#8a1c00}\n"
    "@media print{\n"
    "body{max-width:none;padding:0;font-size:11pt}\n"
    "a{color:inherit;text-decoration:none}\n"
    "article{break-before:page;border:0;margin:0;padding:0}\n"
    "h2,h3,h4{break-after:avoid}\n"
    ".ingredients{break-inside:avoid}\n"
    "}\n";

void untitled_or(HtmlWriter& html, std::string_view name) noexcept {
  if (name.empty()) {
    html.markup("Untitled recipe");
  } else {
    html.text(name);
  }
}

std::string_view name_of(const StructuredRecipe& recipe) noexcept {
  return recipe.size() > 0 && recipe.field(0) == RecipeField::kName ? recipe.value(0)
                                                                    : std::string_view();
}

bool is_time(RecipeField field) noexcept {
  return field == RecipeField::kPrepTime || field == RecipeField::kCookTime ||
         field == RecipeField::kTotalTime;
}

// One recipe's article. Every item of the recipe is shown, each under its field, as written;
// times that read as minutes are shown in hours and minutes, and times of 0:00 are left out.
class RecipeHtml {
 public:
  RecipeHtml(HtmlWriter& html, const StructuredRecipe& recipe) noexcept
      : html_(html), recipe_(recipe) {}

  void write(JsonWriter& json, std::uint64_t number) noexcept {
    html_.markup("<article id=\"recipe-");
    html_.number(number);
    html_.markup("\">\n<h2>");
    untitled_or(html_, name_of(recipe_));
    html_.markup("</h2>\n");
    facts();
    each(RecipeField::kDescription, [&](std::size_t i) {
      html_.markup("<p class=\"description\">");
      html_.text(recipe_.value(i));
      html_.markup("</p>\n");
    });
    ingredients();
    steps();
    notes();
    if (recipe_.is_cut()) {
      html_.markup(
          "<p class=\"cut\">This recipe was too long to keep whole: it ends where the room for "
          "one recipe ran out.</p>\n");
    }
    html_.markup("<script type=\"application/ld+json\">");
    write_recipe_json(json, recipe_);
    json.flush();
    html_.markup("</script>\n</article>\n");
  }

 private:
  bool shown(std::size_t item) const noexcept {
    const std::string_view value = recipe_.value(item);
    return !value.empty() && !(is_time(recipe_.field(item)) && minutes_of(value) == 0);
  }

  // Calls `write(item)` for each shown item of `field`, in order.
  template <typename Write>
  void each(RecipeField field, Write write) const noexcept {
    for (std::size_t i = 0; i < recipe_.size(); ++i) {
      if (recipe_.field(i) == field && shown(i)) write(i);
    }
  }

  void facts() noexcept {
    bool open = false;
    const auto fact = [&](RecipeField field, std::string_view label) {
      bool started = false;
      each(field, [&](std::size_t i) {
        if (!open) html_.markup("<dl class=\"facts\">\n");
        open = true;
        if (!started) {
          html_.markup("<div><dt>");
          html_.text(label);
          html_.markup("</dt>");
          started = true;
        }
        html_.markup("<dd>");
        value(i);
        html_.markup("</dd>");
      });
      if (started) html_.markup("</div>\n");
    };
    fact(RecipeField::kAuthor, "By");
    fact(RecipeField::kCitation, "From");
    fact(RecipeField::kBasedOn, "Source");
    fact(RecipeField::kYield, "Yield");
    fact(RecipeField::kPrepTime, "Preparation");
    fact(RecipeField::kCookTime, "Cooking");
    fact(RecipeField::kTotalTime, "Total time");
    fact(RecipeField::kCategory, "Categories");
    if (open) html_.markup("</dl>\n");
  }

  // A value; a time that reads as minutes as "1 h 30 min".
  void value(std::size_t item) noexcept {
    const std::int64_t minutes =
        is_time(recipe_.field(item)) ? minutes_of(recipe_.value(item)) : -1;
    if (minutes <= 0) {
      html_.text(recipe_.value(item));
      return;
    }
    if (minutes >= 60) {
      html_.number(static_cast<std::uint64_t>(minutes / 60));
      html_.markup(" h");
    }
    if (minutes % 60 != 0) {
      if (minutes >= 60) html_.markup(" ");
      html_.number(static_cast<std::uint64_t>(minutes % 60));
      html_.markup(" min");
    }
  }

  // The list of ingredients; the reading ends a heading among them with a colon, and a heading
  // starts a list of its own.
  void ingredients() noexcept {
    bool section = false;
    bool list = false;
    each(RecipeField::kIngredient, [&](std::size_t i) {
      if (!section) html_.markup("<section class=\"ingredients\">\n<h3>Ingredients</h3>\n");
      section = true;
      const std::string_view text = recipe_.value(i);
      if (text.back() == ':' && text.size() > 1) {
        if (list) html_.markup("</ul>\n");
        list = false;
        html_.markup("<h4>");
        html_.text(text.substr(0, text.size() - 1));
        html_.markup("</h4>\n");
        return;
      }
      if (!list) html_.markup("<ul>\n");
      list = true;
      html_.markup("<li>");
      html_.text(text);
      html_.markup("</li>\n");
    });
    if (list) html_.markup("</ul>\n");
    if (section) html_.markup("</section>\n");
  }

  bool is_step(std::size_t item) const noexcept {
    return recipe_.field(item) == RecipeField::kStep && shown(item);
  }

  // Whether a step follows the section `item` before the next section: if not, the JSON writes
  // the section as a step, and so does this.
  bool heads_steps(std::size_t item) const noexcept {
    for (std::size_t next = item + 1; next < recipe_.size(); ++next) {
      if (is_step(next)) return true;
      if (recipe_.field(next) == RecipeField::kSection) return false;
    }
    return false;
  }

  // The steps, numbered on across the sections' headings.
  void steps() noexcept {
    bool section = false;
    bool list = false;
    std::uint64_t count = 0;
    for (std::size_t i = 0; i < recipe_.size(); ++i) {
      const bool heading = recipe_.field(i) == RecipeField::kSection && shown(i);
      if (!heading && !is_step(i)) continue;
      if (!section) html_.markup("<section class=\"steps\">\n<h3>Method</h3>\n");
      section = true;
      if (heading && heads_steps(i)) {
        if (list) html_.markup("</ol>\n");
        list = false;
        html_.markup("<h4>");
        html_.text(recipe_.value(i));
        html_.markup("</h4>\n");
        continue;
      }
      if (!list) {
        html_.markup("<ol");
        if (count > 0) {
          html_.markup(" start=\"");
          html_.number(count + 1);
          html_.markup("\"");
        }
        html_.markup(">\n");
      }
      list = true;
      ++count;
      html_.markup("<li>");
      html_.text(recipe_.value(i));
      html_.markup("</li>\n");
    }
    if (list) html_.markup("</ol>\n");
    if (section) html_.markup("</section>\n");
  }

  // The comments, each under its label, and the nutrition analysis.
  void notes() noexcept {
    bool section = false;
    const auto note = [&](std::string_view label, std::size_t i) {
      if (!section) html_.markup("<section class=\"notes\">\n<h3>Notes</h3>\n");
      section = true;
      html_.markup("<p>");
      if (!label.empty()) {
        html_.markup("<strong>");
        html_.text(label);
        html_.markup(":</strong> ");
      }
      html_.text(recipe_.value(i));
      html_.markup("</p>\n");
    };
    each(RecipeField::kComment, [&](std::size_t i) { note(recipe_.label(i), i); });
    each(RecipeField::kNutrition, [&](std::size_t i) { note("Nutrition", i); });
    if (section) html_.markup("</section>\n");
  }

  HtmlWriter& html_;
  const StructuredRecipe& recipe_;
};

}  // namespace

void write_cookbook_start(HtmlWriter& html, std::string_view title) noexcept {
  html.markup(
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src "
      "'sha256-+Ai/MZPjQwoVPaFqVvqCPmyrAafPpzJ3HLlZF9JAbJo='; base-uri 'none'; form-action "
      "'none'\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<meta name=\"generator\" content=\"Mirtabel\">\n<title>");
  if (title.empty()) {
    html.markup("Cookbook");
  } else {
    html.text(title);
  }
  html.markup("</title>\n<style>");
  html.markup(kStyle);
  html.markup("</style>\n</head>\n<body>\n<header>\n<h1>");
  if (title.empty()) {
    html.markup("Cookbook");
  } else {
    html.text(title);
  }
  html.markup(
      "</h1>\n</header>\n<nav aria-labelledby=\"contents\">\n<h2 id=\"contents\">Contents</h2>\n");
}

void write_contents_entry(HtmlWriter& html, const StructuredRecipe& recipe,
                          std::uint64_t number) noexcept {
  if (number == 1) html.markup("<ol>\n");
  html.markup("<li><a href=\"#recipe-");
  html.number(number);
  html.markup("\">");
  untitled_or(html, name_of(recipe));
  html.markup("</a></li>\n");
}

void write_contents_end(HtmlWriter& html, std::uint64_t recipes) noexcept {
  if (recipes == 0) {
    html.markup("<p>No recipes.</p>\n");
  } else {
    html.markup("</ol>\n");
  }
  html.markup("</nav>\n<main>\n");
}

void write_recipe_html(HtmlWriter& html, JsonWriter& json, const StructuredRecipe& recipe,
                       std::uint64_t number) noexcept {
  RecipeHtml(html, recipe).write(json, number);
}

void write_cookbook_end(HtmlWriter& html) noexcept {
  html.markup("</main>\n</body>\n</html>\n");
}

}  // namespace mirtabel
