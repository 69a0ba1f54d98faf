#pragma once
// Formatting of the wizard's texts: each "%s" takes the next argument, left to
// right; arguments are inserted as they stand, never read as formats.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "actions/u_TextIds.h"
#include "setup/u_WizardLayout.h"

std::wstring FormatText(std::wstring_view pattern, std::initializer_list<std::wstring_view> args);
std::wstring FormatText(std::wstring_view pattern, std::span<const std::wstring> args);

enum class TRounding { Down, Up };
// A count of bytes as whole megabytes (MiB), rounded as asked: needed room
// rounds up and free room down, so that a shortage never reads as equal.
std::wstring MegabytesText(uint64_t bytes, TRounding rounding);

// A text of the current language ("" when the language has no such text).
using TTextLookup = std::function<std::wstring(TText text)>;

// What goes into a text's "%s" marks.
enum class TTextArgs { None, Product, ProductTwice, ProductAndBrowse, Finish, CompanyAndStop };

// A text-bearing control and the caption the texts give it. With
// CompanyAndStop the caption is the company name and a full stop, no text.
struct TCaptionRule {
  TControl control;
  TText text;
  TTextArgs args;
};

// Every control caption the texts set, in the order they are applied. The
// buttons, the window caption and the licence view are set apart.
std::span<const TCaptionRule> CaptionRules();

std::wstring RuleCaption(const TCaptionRule& rule, const TTextLookup& text, std::wstring_view product,
                         std::wstring_view company);

// The application title: the window caption and the caption of every error box.
std::wstring AppTitle(const TTextLookup& text, std::wstring_view product);
