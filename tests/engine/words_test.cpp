// The romanisation at work: common Bengali words and sentences through the real table files.
//
// The expected bytes were written from the Bengali column by tests/engine/encode_sutonnymj.py,
// an encoder of its own that follows the published SutonnyMJ byte rules and knows nothing of
// the table files, so a wrong glyph or a wrong key in data/ shows up here.

#include "engine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct WordCase {
    const char *bengali; // the word as it is written, for reading the table
    const char *typed;   // what the user types
    const char *glyphs;  // the SutonnyMJ bytes it must give
    const char *covers;  // what the row is there for
};

// Common words and a few sentences.
const WordCase kWords[] = {
    // words: begin (generated)
    {"আমি", "AmI", "\x41\x76\x77\x67", "independent vowel, i-kar inside"},
    {"তুমি", "tUmI", "\x5A\x79\x77\x67", "u-kar"},
    {"সে", "sE", "\x86\x6D", "e-kar at word start"},
    {"আমরা", "AmrA", "\x41\x76\x67\x69\x76", "r after m stays a letter"},
    {"বাংলা", "bAnglA", "\x65\x76\x73\x6A\x76", "anusvara"},
    {"বাংলাদেশ", "bAnglAdEsh", "\x65\x76\x73\x6A\x76\x87\x60\x6B", "e-kar inside a word"},
    {"ভাষা", "bhAShA", "\x66\x76\x6C\x76", "aa-kar, retroflex Sh"},
    {"মানুষ", "mAnUSh", "\x67\x76\x62\x79\x6C", "u-kar inside"},
    {"ভালো", "bhAlOO", "\x66\x76\x87\x6A\x76", "o-kar inside"},
    {"বাড়ি", "bA~rI", "\x65\x76\x77\x6F", "ড়"},
    {"পানি", "pAnI", "\x63\x76\x77\x62", "i-kar"},
    {"জল", "jOl", "\x52\x6A", "inherent vowel"},
    {"খাবার", "khAbAr", "\x4C\x76\x65\x76\x69", "aspirate"},
    {"বই", "bOI", "\x65\x42", "vowel after O"},
    {"কথা", "kOthA", "\x4B\x5F\x76", "th"},
    {"দিন", "dIn", "\x77\x60\x62", "i-kar"},
    {"রাত", "rAt", "\x69\x76\x5A", "r at word start"},
    {"সকাল", "sOkAl", "\x6D\x4B\x76\x6A", ""},
    {"বিকেল", "bIkEl", "\x77\x65\x87\x4B\x6A", "e-kar inside"},
    {"বাবা", "bAbA", "\x65\x76\x65\x76", ""},
    {"ভাই", "bhAI", "\x66\x76\x42", "vowel inside a word"},
    {"বোন", "bOOn", "\x86\x65\x76\x62", "o-kar at word start"},
    {"ছেলে", "chElE", "\x86\x51\x87\x6A", "e-kar at start and inside"},
    {"মেয়ে", "mEyE", "\x86\x67\x87\x71", "য় inside a word"},
    {"বন্ধু", "bOndhU", "\x65\xDC\x79", "conjunct ন্ধ with u-kar"},
    {"স্কুল", "skUl", "\xAF\x8B\x79\x6A", "half-form conjunct at word start"},
    {"শিক্ষক", "shIkShOk", "\x77\x6B\xB6\x4B", "ক্ষ"},
    {"ছাত্র", "chAtR", "\x51\x76\xCE", "ra-phala joint at word end"},
    {"পরীক্ষা", "pOrIIkShA", "\x63\x69\x78\xB6\x76", "ii-kar"},
    {"কাজ", "kAj", "\x4B\x76\x52", ""},
    {"সময়", "sOmOy", "\x6D\x67\x71", "য় at word end"},
    {"দেশ", "dEsh", "\x86\x60\x6B", "e-kar at word start"},
    {"গ্রাম", "gRAm", "\x4D\xD6\x76\x67", "ra-phala glyph of গ"},
    {"শহর", "shOhOr", "\x6B\x6E\x69", ""},
    {"নদী", "nOdII", "\x62\x60\x78", "ii-kar at word end"},
    {"আকাশ", "AkAsh", "\x41\x76\x4B\x76\x6B", ""},
    {"সূর্য", "sUURz", "\x6D\x7E\x68\xA9", "uu-kar, reph over য"},
    {"চাঁদ", "cA~~d", "\x50\x76\x75\x60", "chandrabindu"},
    {"ফুল", "phUl", "\x64\x79\x6A", ""},
    {"গাছ", "gAch", "\x4D\x76\x51", ""},
    {"পাখি", "pAkhI", "\x63\x76\x77\x4C", ""},
    {"কৃষক", "kWRIShOk", "\x4B\x84\x6C\x4B", "ri-kar"},
    {"জীবন", "jIIbOn", "\x52\x78\x65\x62", ""},
    {"প্রেম", "pREm", "\x86\x63\xD6\x67", "e-kar before a ra-phala conjunct at word start"},
    {"ভালোবাসা", "bhAlOObAsA", "\x66\x76\x87\x6A\x76\x65\x76\x6D\x76", ""},
    {"সুন্দর", "sUndOr", "\x6D\x79\x9B\x60\x69", "half-form conjunct ন্দ"},
    {"বড়", "bO~r", "\x65\x6F", "ড় at word end"},
    {"ছোট", "chOOT", "\x86\x51\x76\x55", "o-kar at word start"},
    {"নতুন", "nOtUn", "\x62\x5A\x79\x62", ""},
    {"সত্য", "sOtJ", "\x6D\x5A\xA8", "ya-phala at word end (J)"},
    {"মিথ্যা", "mIthYA", "\x77\x67\x5F\xA8\x76", "ya-phala inside (Y)"},
    {"কর্ম", "kORm", "\x4B\x67\xA9", "reph"},
    {"ধর্ম", "dhORm", "\x61\x67\xA9", "reph"},
    {"অর্থ", "ORth", "\x41\x5F\xA9", "reph after an independent vowel"},
    {"পূর্ব", "pUURb", "\x63\x7E\x65\xA9", "reph after uu-kar"},
    {"পশ্চিম", "pOshcIm", "\x63\x77\xF0\x67", "i-kar before a conjunct inside a word"},
    {"উত্তর", "UttOr", "\x44\xCB\x69", "ত্ত"},
    {"দক্ষিণ", "dOkShIN", "\x60\x77\xB6\x59", "i-kar before ক্ষ"},
    {"কৌতুক", "kOWtUk", "\x86\x4B\x8A\x5A\x79\x4B", "au-kar at word start"},
    {"মৌমাছি", "mOWmAchI", "\x86\x67\x8A\x67\x76\x77\x51", "au-kar"},
    {"বৈশাখ", "byshAkh", "\x88\x65\x6B\x76\x4C", "oi-kar at word start"},
    {"দৈনিক", "dynIk", "\x88\x60\x77\x62\x4B", "oi-kar at word start"},
    {"চৈত্র", "cytR", "\x88\x50\xCE", "oi-kar before a conjunct"},
    {"বিদ্যালয়", "bIdYAlOy", "\x77\x65\x60\xA8\x76\x6A\x71", "ya-phala inside"},
    {"ব্যবহার", "bYObOhAr", "\x65\xA8\x65\x6E\x76\x69", "ya-phala at word start"},
    {"ব্যাকরণ", "bYAkOrON", "\x65\xA8\x76\x4B\x69\x59", "ণ"},
    {"অন্য", "OnJ", "\x41\x62\xA8", "ya-phala at word end"},
    {"স্বাধীনতা", "swAdhIInOtA", "\xAF\x5E\x76\x61\x78\x62\x5A\x76", "ba-phala joint স্ব"},
    {"স্বপ্ন", "swOpN", "\xAF\x5E\x63\x9C", "na-phala"},
    {"দ্বিতীয়", "dwItIIy", "\x77\xD8\x5A\x78\x71", "i-kar before দ্ব at word start"},
    {"তত্ত্ব", "tOttw", "\x5A\xCB\xA1", "three-letter joint"},
    {"জ্বর", "jwOr", "\x52\xA1\x69", "ba-phala joint জ্ব"},
    {"পক্ব", "pOkw", "\x63\x4B\xA1", "ba-phala joint ক্ব"},
    {"বিশ্ব", "bIshW", "\x77\x65\x6B\xA6", "ba-phala typed W"},
    {"আত্মা", "AtMA", "\x41\x76\x5A\xA5\x76", "ma-phala"},
    {"পদ্ম", "pOdM", "\x63\xD9", "ma-phala ligature দ্ম"},
    {"স্মরণ", "sMOrON", "\xAF\xA7\x69\x59", "ma-phala after a half form"},
    {"লক্ষ্মী", "lOkShMII", "\x6A\xB2\x78", "ক্ষ্ম"},
    {"নিম্ন", "nImN", "\x77\x62\x67\x9C", "ম্ন written without the disputed byte"},
    {"স্নান", "sNAn", "\x6D\x9C\x76\x62", "স্ন written without the disputed byte"},
    {"যত্ন", "zOtN", "\x68\x5A\x9C", "na-phala"},
    {"প্রশ্ন", "pROshN", "\x63\xD6\x6B\x9C", "na-phala at word end"},
    {"ক্লাস", "kLAs", "\x4B\xAC\x76\x6D", "la-phala joint"},
    {"প্লাবন", "pLAbOn", "\x63\xAD\x76\x65\x62", "la-phala typed L"},
    {"উহ্‌", "Uhh", "\x44\x6E\x26", "hasanta typed h"},
    {"বাক্‌", "bAk&", "\x65\x76\x4B\x26", "hasanta typed &"},
    {"দুঃখ", "dU~hkh", "\x60\x79\x74\x4C", "visarga"},
    {"অতঃপর", "Ot~hpOr", "\x41\x5A\x74\x63\x69", "visarga inside"},
    {"উৎসব", "U~tsOb", "\x44\x72\x6D\x65", "khanda ta"},
    {"হঠাৎ", "hOThA~t", "\x6E\x56\x76\x72", "khanda ta at word end"},
    {"সংবাদ", "sOngbAd", "\x6D\x73\x65\x76\x60", "anusvara"},
    {"সংখ্যা", "sOngkhJA", "\x6D\x73\x4C\xA8\x76", "anusvara, ya-phala typed J inside"},
    {"সিংহ", "sIngh", "\x77\x6D\x73\x6E", "ংহ"},
    {"কাঁদা", "kA~~dA", "\x4B\x76\x75\x60\x76", "chandrabindu after aa-kar"},
    {"হাঁস", "hA~~s", "\x6E\x76\x75\x6D", "chandrabindu"},
    {"কেঁদে", "kE~~dE", "\x86\x4B\x75\x87\x60", "chandrabindu with e-kar"},
    {"পুঁথি", "pU~~thI", "\x63\x79\x75\x77\x5F", "chandrabindu after u-kar"},
    {"খোঁজ", "khOO~~j", "\x86\x4C\x76\x75\x52", "chandrabindu with o-kar"},
    {"পৌঁছানো", "pOW~~chAnOO", "\x86\x63\x8A\x75\x51\x76\x87\x62\x76", "chandrabindu with au-kar"},
    {"বাতি", "bAtY", "\x65\x76\x77\x5A", "word-final Y"},
    {"পাখি", "pAkhY", "\x63\x76\x77\x4C", "word-final Y"},
    {"গুরু", "gUrU", "\xB8\x69\x93", "ligatures গু রু"},
    {"শুধু", "shUdhU", "\xEF\x61\x79", "ligature শু"},
    {"বহু", "bOhU", "\x65\xFB", "ligature হু inside a word"},
    {"রূপ", "rUUp", "\x69\x83\x63", "ligature রূ"},
    {"শূন্য", "shUUnJ", "\x6B\x7E\x62\xA8", "শূ"},
    {"আগুন", "AgUn", "\x41\x76\xB8\x62", "ligature গু inside a word"},
    {"দারুণ", "dArUON", "\x60\x76\x69\x93\x59", "ligature রু before ণ"},
    {"জ্ঞান", "j~nAn", "\xC1\x76\x62", "জ্ঞ"},
    {"বিজ্ঞান", "bIj~nAn", "\x77\x65\xC1\x76\x62", "জ্ঞ inside"},
    {"অঞ্চল", "O~ncOl", "\x41\xC2\x6A", "ঞ্চ"},
    {"সঙ্গে", "sONGgE", "\x6D\x87\xBD", "ঙ্গ with e-kar"},
    {"অঙ্ক", "ONGk", "\x41\xBC", "ঙ্ক"},
    {"রাষ্ট্র", "rAShTR", "\x69\x76\xF3\xAA", "ষ্ট্র"},
    {"কষ্ট", "kOShT", "\x4B\xF3", "ষ্ট"},
    {"মন্ত্রী", "mOntRII", "\x67\x9A\xBF\x78", "ন্ত্র"},
    {"স্ত্রী", "stRII", "\xAF\xBF\x78", "স্ত্র at word start"},
    {"অবস্থা", "ObOsthA", "\x41\x65\xAF\x92\x76", "স্থ"},
    {"রাস্তা", "rAstA", "\x69\x76\xAF\x97\x76", "স্ত"},
    {"শান্তি", "shAntI", "\x6B\x76\x77\x9A\x97", "i-kar before ন্ত"},
    {"ইচ্ছা", "IcchA", "\x42\x94\x51\x76", "চ্ছ"},
    {"উজ্জ্বল", "UjjwOl", "\x44\xBE\xA1\x6A", "জ্জ্ব"},
    {"সম্মান", "sOmMAn", "\x6D\xA4\xA7\x76\x62", "ম্ম"},
    {"সম্পর্ক", "sOmpORk", "\x6D\xA4\x63\x4B\xA9", "ম্প and reph"},
    {"ঘণ্টা", "ghONTA", "\x4E\xC8\x76", "ণ্ট"},
    {"পণ্ডিত", "pONDIt", "\x63\x77\xCA\x5A", "ণ্ড with i-kar"},
    {"শক্তি", "shOktI", "\x6B\x77\xB3", "ক্ত"},
    {"রক্ত", "rOkt", "\x69\xB3", "ক্ত at word end"},
    {"যুদ্ধ", "zUddh", "\x68\x79\xD7", "দ্ধ"},
    {"শব্দ", "shObd", "\x6B\xE3", "ব্দ"},
    {"গল্প", "gOlp", "\x4D\xED", "ল্প"},
    {"উল্টো", "UlTOO", "\x44\x87\xEB\x76", "o-kar around ল্ট"},
    {"ঐক্য", "OIkJ", "\x48\x4B\xA8", "ঐ"},
    {"ঔষধ", "OWShOdh", "\x4A\x6C\x61", "ঔ"},
    {"ঋণ", "WRIN", "\x46\x59", "ঋ"},
    {"এখন", "EkhOn", "\x47\x4C\x62", "এ"},
    {"ওরা", "OOrA", "\x49\x69\x76", "ও"},
    {"ঈদ", "IId", "\x43\x60", "ঈ"},
    {"উনিশ", "UnIsh", "\x44\x77\x62\x6B", "উ"},
    {"অ্যাসিড", "OYAsID", "\x41\xA8\x76\x77\x6D\x57", "অ্যা"},
    {"খ্রিস্টান", "khRIsTAn", "\x77\x4C\xAA\xF7\x76\x62", "i-kar before খ্র at word start"},
    {"ট্রেন", "TREn", "\x86\x55\xAA\x62", "ট্র"},
    {"স্টেশন", "sTEshOn", "\x86\xF7\x6B\x62", "e-kar before স্ট at word start"},
    {"কেন্দ্র", "kEndR", "\x86\x4B\x9B\x60\xAA", "ন্দ্র at word end"},
    {"সমুদ্র", "sOmUdR", "\x6D\x67\x79\x60\xAA", "দ্র at word end"},
    {"দ্রুত", "dRUt", "\x60\xAA\x79\x5A", "u-kar after a ra-phala"},
    {"শ্রমিক", "shROmIk", "\x6B\xAA\x77\x67\x4B", "শ্র"},
    {"আর্য", "ARz", "\x41\x76\x68\xA9", "reph over য"},
    {"কার্যকর", "kARzOkOr", "\x4B\x76\x68\xA9\x4B\x69", "reph inside a word"},
    {"র‍্যাব", "rYAb", "\x69\xA8\x76\x65", "র with ya-phala"},
    {"দেওয়া", "dEOOyA", "\x86\x60\x49\x71\x76", "vowel ও inside a word"},
    {"খাওয়া", "khAOOyA", "\x4C\x76\x49\x71\x76", ""},
    {"যাও", "zAOO", "\x68\x76\x49", "vowel at word end"},
    {"কই", "kOI", "\x4B\x42", ""},
    {"নিয়ে", "nIyE", "\x77\x62\x87\x71", "e-kar on য়"},
    {"হয়", "hOy", "\x6E\x71", ""},
    {"কয়েক", "kOyEk", "\x4B\x87\x71\x4B", ""},
    {"বাঙালি", "bANGAlI", "\x65\x76\x4F\x76\x77\x6A", "ঙ"},
    {"রঙ", "rONG", "\x69\x4F", "ঙ at word end"},
    {"ঢাকা", "DhAkA", "\x58\x76\x4B\x76", "ঢ"},
    {"চট্টগ্রাম", "cOTTOgRAm", "\x50\xC6\x4D\xD6\x76\x67", "ট্ট"},
    {"পৃথিবী", "pWRIthIbII", "\x63\x84\x77\x5F\x65\x78", "ri-kar"},
    {"স্মৃতি", "sMWRItI", "\xAF\xA7\x84\x77\x5A", "ri-kar after a conjunct"},
    {"দৃষ্টি", "dWRIShTI", "\x60\x84\x77\xF3", ""},
    {"জ্যোতি", "jYOOtI", "\x86\x52\xA8\x76\x77\x5A", "o-kar around a ya-phala at word start"},
    {"ক্যামেরা", "kYAmErA", "\x4B\xA8\x76\x87\x67\x69\x76", ""},
    {"প্রতি", "pROtI", "\x63\xD6\x77\x5A", ""},
    {"প্রিয়", "pRIy", "\x77\x63\xD6\x71", "i-kar before প্র"},
    {"ক্রমে", "kROmE", "\xB5\x87\x67", "ক্র"},
    {"গ্রন্থ", "gROnth", "\x4D\xD6\x9A\x92", "ন্থ"},
    {"লজ্জা", "lOjjA", "\x6A\xBE\x76", "জ্জ"},
    {"ইংরেজি", "IngrEjI", "\x42\x73\x87\x69\x77\x52", ""},
    {"মৃত্যু", "mWRItJU", "\x67\x84\x5A\xA8\x79", "u-kar after a ya-phala joint"},
    {"বিদ্যুৎ", "bIdJU~t", "\x77\x65\x60\xA8\x79\x72", "u-kar after a ya-phala joint, khanda ta"},
    {"কর্তব্য", "kORtObJ", "\x4B\x5A\xA9\x65\xA8", "reph and a final ya-phala"},
    {"পার্শ্ব", "pARshw", "\x63\x76\x6B\xA6\xA9", "reph over a ba-phala joint"},
    {"দুর্গ", "dURg", "\x60\x79\x4D\xA9", "reph after u-kar"},
    {"শ্রুতি", "shRUtI", "\x6B\xAA\x79\x77\x5A", "u-kar after a ra-phala joint"},
    {"নৈতিক", "nytIk", "\x88\x62\x77\x5A\x4B", "oi-kar"},
    {"করুণা", "kOrUONA", "\x4B\x69\x93\x59\x76", "ligature রু before ণ"},
    {"সংহতি", "sOnghOtI", "\x6D\x73\x6E\x77\x5A", "ংহ inside a word"},
    {"ক্ষুধা", "kShUdhA", "\xB6\x79\x61\x76", "u-kar after ক্ষ"},
    {"ভূমি", "bhUUmI", "\x66\x7E\x77\x67", "uu-kar"},
    {"কুমার", "kUmAr", "\x4B\x79\x67\x76\x69", "u-kar after ক"},
    {"আমি ভাত খাই।", "AmI bhAt khAI.", "\x41\x76\x77\x67\x20\x66\x76\x5A\x20\x4C\x76\x42\x7C", "sentence: the full stop becomes the dari"},
    {"আমার সোনার বাংলা, আমি তোমায় ভালোবাসি।", "AmAr sOOnAr bAnglA, AmI tOOmAy bhAlOObAsI.", "\x41\x76\x67\x76\x69\x20\x86\x6D\x76\x62\x76\x69\x20\x65\x76\x73\x6A\x76\x2C\x20\x41\x76\x77\x67\x20\x86\x5A\x76\x67\x76\x71\x20\x66\x76\x87\x6A\x76\x65\x76\x77\x6D\x7C", "sentence with a comma"},
    {"বাংলাদেশের রাজধানী ঢাকা।", "bAnglAdEshEr rAjdhAnII DhAkA.", "\x65\x76\x73\x6A\x76\x87\x60\x87\x6B\x69\x20\x69\x76\x52\x61\x76\x62\x78\x20\x58\x76\x4B\x76\x7C", "sentence"},
    {"২০২৪ সালে সে বিশ্ববিদ্যালয়ে পড়ত।", "2024 sAlE sE bIshwObIdYAlOyE pO~rOt.", "\x32\x30\x32\x34\x20\x6D\x76\x87\x6A\x20\x86\x6D\x20\x77\x65\x6B\xA6\x77\x65\x60\xA8\x76\x6A\x87\x71\x20\x63\x6F\x5A\x7C", "sentence with digits"},
    // words: end
};

// The example word of every key, as README.md shows it.
const WordCase kKeyExamples[] = {
    // key examples: begin (generated)
    {"অনেক", "OnEk", "\x41\x87\x62\x4B", "key O (first)"},
    {"আমি", "AmI", "\x41\x76\x77\x67", "key A (first+next)"},
    {"ইচ্ছা", "IcchA", "\x42\x94\x51\x76", "key I (first+next)"},
    {"ঈদ", "IId", "\x43\x60", "key II (first)"},
    {"উত্তর", "UttOr", "\x44\xCB\x69", "key U (first+next)"},
    {"ঊষা", "UUShA", "\x45\x6C\x76", "key UU (first)"},
    {"ঋণ", "WRIN", "\x46\x59", "key WRI (first)"},
    {"এখন", "EkhOn", "\x47\x4C\x62", "key E (first+next)"},
    {"ঐক্য", "OIkJ", "\x48\x4B\xA8", "key OI (first)"},
    {"ওরা", "OOrA", "\x49\x69\x76", "key OO (first+next)"},
    {"ঔষধ", "OWShOdh", "\x4A\x6C\x61", "key OW (first)"},
    {"অ্যাসিড", "OYAsID", "\x41\xA8\x76\x77\x6D\x57", "key OYA (first)"},
    {"এ্যাডভোকেট", "EYADbhOOkET", "\x47\xA8\x76\x57\x87\x66\x76\x87\x4B\x55", "key EYA (first)"},
    {"কলম", "kOlOm", "\x4B\x6A\x67", "key k (first+next)"},
    {"খবর", "khObOr", "\x4C\x65\x69", "key kh (first+next)"},
    {"গান", "gAn", "\x4D\x76\x62", "key g (first+next)"},
    {"ঘর", "ghOr", "\x4E\x69", "key gh (first+next)"},
    {"রঙ", "rONG", "\x69\x4F", "key NG (next)"},
    {"চা", "cA", "\x50\x76", "key c (first+next)"},
    {"ছবি", "chObI", "\x51\x77\x65", "key ch (first+next)"},
    {"জল", "jOl", "\x52\x6A", "key j (first+next)"},
    {"ঝড়", "jhO~r", "\x53\x6F", "key jh (first+next)"},
    {"টাকা", "TAkA", "\x55\x76\x4B\x76", "key T (first+next)"},
    {"ঠিক", "ThIk", "\x77\x56\x4B", "key Th (first+next)"},
    {"ডাক", "DAk", "\x57\x76\x4B", "key D (first+next)"},
    {"ঢাকা", "DhAkA", "\x58\x76\x4B\x76", "key Dh (first+next)"},
    {"মিঞা", "mI~nA", "\x77\x67\x54\x76", "key ~n (next)"},
    {"কারণ", "kArON", "\x4B\x76\x69\x59", "key N (next)"},
    {"তারা", "tArA", "\x5A\x76\x69\x76", "key t (first+next)"},
    {"থালা", "thAlA", "\x5F\x76\x6A\x76", "key th (first+next)"},
    {"দিন", "dIn", "\x77\x60\x62", "key d (first+next)"},
    {"ধান", "dhAn", "\x61\x76\x62", "key dh (first+next)"},
    {"নদী", "nOdII", "\x62\x60\x78", "key n (first+next)"},
    {"পানি", "pAnI", "\x63\x76\x77\x62", "key p (first+next)"},
    {"ফল", "phOl", "\x64\x6A", "key ph (first+next)"},
    {"বই", "bOI", "\x65\x42", "key b (first+next)"},
    {"ভালো", "bhAlOO", "\x66\x76\x87\x6A\x76", "key bh (first+next)"},
    {"মা", "mA", "\x67\x76", "key m (first+next)"},
    {"যদি", "zOdI", "\x68\x77\x60", "key z (first+next)"},
    {"সময়", "sOmOy", "\x6D\x67\x71", "key y (next)"},
    {"রাত", "rAt", "\x69\x76\x5A", "key r (first+next)"},
    {"বাজার", "bAjAR", "\x65\x76\x52\x76\x69", "key R (next)"},
    {"লাল", "lAl", "\x6A\x76\x6A", "key l (first+next)"},
    {"শাপলা", "shAplA", "\x6B\x76\x63\x6A\x76", "key sh (first+next)"},
    {"ষাট", "ShAT", "\x6C\x76\x55", "key Sh (first+next)"},
    {"সাদা", "sAdA", "\x6D\x76\x60\x76", "key s (first+next)"},
    {"হাত", "hAt", "\x6E\x76\x5A", "key h (first+next)"},
    {"বড়", "bO~r", "\x65\x6F", "key ~r (next)"},
    {"আষাঢ়", "AShA~rh", "\x41\x76\x6C\x76\x70", "key ~rh (next)"},
    {"হঠাৎ", "hOThA~t", "\x6E\x56\x76\x72", "key ~t (next)"},
    {"বাংলা", "bAnglA", "\x65\x76\x73\x6A\x76", "key ng (next)"},
    {"দুঃখ", "dU~hkh", "\x60\x79\x74\x4C", "key ~h (next)"},
    {"চাঁদ", "cA~~d", "\x50\x76\x75\x60", "key ~~ (next)"},
    {"সিংহ", "sIngh", "\x77\x6D\x73\x6E", "key ngh (next)"},
    {"বাক্‌", "bAk&", "\x65\x76\x4B\x26", "key & (next)"},
    {"বাক্য", "bAkJ", "\x65\x76\x4B\xA8", "key J (next)"},
    {"রুটি", "rUTI", "\x69\x93\x77\x55", "key rU (first+next)"},
    {"রূপ", "rUUp", "\x69\x83\x63", "key rUU (first+next)"},
    {"গুণ", "gUON", "\xB8\x59", "key gU (first+next)"},
    {"গূঢ়", "gUU~rh", "\x4D\x7E\x70", "key gUU (first+next)"},
    {"শুধু", "shUdhU", "\xEF\x61\x79", "key shU (first+next)"},
    {"শূন্য", "shUUnJ", "\x6B\x7E\x62\xA8", "key shUU (first+next)"},
    {"বহু", "bOhU", "\x65\xFB", "key hU (first+next)"},
    {"হূণ", "hUUON", "\x6E\x7E\x59", "key hUU (first+next)"},
    {"কাজ", "kAj", "\x4B\x76\x52", "key A (connect)"},
    {"নীল", "nIIl", "\x62\x78\x6A", "key II (connect)"},
    {"মৃত", "mWRIt", "\x67\x84\x5A", "key WRI (connect)"},
    {"দূর", "dUUr", "\x60\x7E\x69", "key UU (connect)"},
    {"উহ্‌", "Uhh", "\x44\x6E\x26", "key h (connect)"},
    {"মুখ", "mUkh", "\x67\x79\x4C", "key U (connect)"},
    {"দেশ", "dEsh", "\x86\x60\x6B", "key E (connect)"},
    {"দিন", "dIn", "\x77\x60\x62", "key I (connect)"},
    {"বৈশাখ", "byshAkh", "\x88\x65\x6B\x76\x4C", "key y (connect)"},
    {"কলম", "kOlOm", "\x4B\x6A\x67", "key O (connect)"},
    {"বোন", "bOOn", "\x86\x65\x76\x62", "key OO (connect)"},
    {"মৌমাছি", "mOWmAchI", "\x86\x67\x8A\x67\x76\x77\x51", "key OW (connect)"},
    {"আক্কেল", "AkkEl", "\x41\x76\x87\xB0\x6A", "key kk (joint)"},
    {"ডক্টর", "DOkTOr", "\x57\xB1\x69", "key kT (joint)"},
    {"শক্তি", "shOktI", "\x6B\x77\xB3", "key kt (joint)"},
    {"রুক্মিণী", "rUkMINII", "\x69\x93\x77\xB4\x59\x78", "key kM (joint)"},
    {"ক্রয়", "kROy", "\xB5\x71", "key kR (joint)"},
    {"শিক্ষা", "shIkShA", "\x77\x6B\xB6\x76", "key kSh (joint)"},
    {"বাক্স", "bAks", "\x65\x76\xB7", "key ks (joint)"},
    {"ক্লাস", "kLAs", "\x4B\xAC\x76\x6D", "key kL (joint)"},
    {"পক্ব", "pOkw", "\x63\x4B\xA1", "key kw (joint)"},
    {"বক্ত্র", "bOktR", "\x65\xB3\xAB", "key ktR (joint)"},
    {"লক্ষ্মী", "lOkShMII", "\x6A\xB2\x78", "key kShM (joint)"},
    {"তীক্ষ্ণ", "tIIkShN", "\x5A\x78\xB6\xE8", "key kShN (joint)"},
    {"খ্রিস্টান", "khRIsTAn", "\x77\x4C\xAA\xF7\x76\x62", "key khR (joint)"},
    {"দিগ্বিজয়", "dIgwIjOy", "\x77\x60\x77\x4D\xA6\x52\x71", "key gw (joint)"},
    {"বাগ্দান", "bAgdAn", "\x65\x76\xBA\x76\x62", "key gd (joint)"},
    {"মুগ্ধ", "mUgdh", "\x67\x79\xBB", "key gdh (joint)"},
    {"গ্রাম", "gRAm", "\x4D\xD6\x76\x67", "key gR (joint)"},
    {"ঘ্রাণ", "ghRAN", "\x4E\xAA\x76\x59", "key ghR (joint)"},
    {"দৈর্ঘ্য", "dyRghJ", "\x88\x60\x4E\xA8\xA9", "key ghJ (joint)"},
    {"অঙ্ক", "ONGk", "\x41\xBC", "key NGk (joint)"},
    {"শঙ্খ", "shONGkh", "\x6B\x95\x4C", "key NGkh (joint)"},
    {"সঙ্গে", "sONGgE", "\x6D\x87\xBD", "key NGg (joint)"},
    {"সঙ্ঘ", "sONGgh", "\x6D\x95\x4E", "key NGgh (joint)"},
    {"আকাঙ্ক্ষা", "AkANGkShA", "\x41\x76\x4B\x76\x95\xB6\x76", "key NGkSh (joint)"},
    {"বাচ্চা", "bAccA", "\x65\x76\x94\x50\x76", "key cc (joint)"},
    {"ইচ্ছা", "IcchA", "\x42\x94\x51\x76", "key cch (joint)"},
    {"উচ্ছ্বাস", "UcchwAs", "\x44\x94\x51\xA1\x76\x6D", "key cchw (joint)"},
    {"লজ্জা", "lOjjA", "\x6A\xBE\x76", "key jj (joint)"},
    {"উজ্জ্বল", "UjjwOl", "\x44\xBE\xA1\x6A", "key jjw (joint)"},
    {"জ্ঞান", "j~nAn", "\xC1\x76\x62", "key j~n (joint)"},
    {"জ্বর", "jwOr", "\x52\xA1\x69", "key jw (joint)"},
    {"বজ্র", "bOjR", "\x65\x52\xAA", "key jR (joint)"},
    {"অঞ্চল", "O~ncOl", "\x41\xC2\x6A", "key ~nc (joint)"},
    {"লাঞ্ছনা", "lA~nchOnA", "\x6A\x76\xC3\x62\x76", "key ~nch (joint)"},
    {"গঞ্জ", "gO~nj", "\x4D\xC4", "key ~nj (joint)"},
    {"চট্টগ্রাম", "cOTTOgRAm", "\x50\xC6\x4D\xD6\x76\x67", "key TT (joint)"},
    {"খট্বা", "khOTwA", "\x4C\x55\xA1\x76", "key Tw (joint)"},
    {"ট্রেন", "TREn", "\x86\x55\xAA\x62", "key TR (joint)"},
    {"আড্ডা", "ADDA", "\x41\x76\xC7\x76", "key DD (joint)"},
    {"ড্রাম", "DRAm", "\x57\xAA\x76\x67", "key DR (joint)"},
    {"খড়্গ", "khO~rg", "\x4C\x6F\x26\x4D", "key ~rg (joint)"},
    {"ঘণ্টা", "ghONTA", "\x4E\xC8\x76", "key NT (joint)"},
    {"কণ্ঠ", "kONTh", "\x4B\xC9", "key NTh (joint)"},
    {"গণ্ডগোল", "gONDOgOOl", "\x4D\xCA\x87\x4D\x76\x6A", "key ND (joint)"},
    {"পুণ্ড্র", "pUNDR", "\x63\x79\xCA\xAA", "key NDR (joint)"},
    {"ষণ্ঢ", "ShONDh", "\x6C\x59\x26\x58", "key NDh (joint)"},
    {"বিষণ্ণ", "bIShONN", "\x77\x65\x6C\x59\xE8", "key NN (joint)"},
    {"স্থাণ্বীশ্বর", "sthANwIIshwOr", "\xAF\x92\x76\x59\xA1\x78\x6B\xA6\x69", "key Nw (joint)"},
    {"উত্তর", "UttOr", "\x44\xCB\x69", "key tt (joint)"},
    {"তত্ত্ব", "tOttw", "\x5A\xCB\xA1", "key ttw (joint)"},
    {"অশ্বত্থ", "OshwOtth", "\x41\x6B\xA6\xCC", "key tth (joint)"},
    {"ছাত্র", "chAtR", "\x51\x76\xCE", "key tR (joint)"},
    {"ত্বক", "twOk", "\x5A\xA1\x4B", "key tw (joint)"},
    {"মৃত্যু", "mWRItJU", "\x67\x84\x5A\xA8\x79", "key tJ (joint)"},
    {"পৃথ্বী", "pWRIthwII", "\x63\x84\x5F\xA1\x78", "key thw (joint)"},
    {"সামর্থ্য", "sAmORthJ", "\x6D\x76\x67\x5F\xA8\xA9", "key thJ (joint)"},
    {"উদ্গম", "UdgOm", "\x44\x98\x4D\x67", "key dg (joint)"},
    {"উদ্ঘাটন", "UdghATOn", "\x44\x99\x4E\x76\x55\x62", "key dgh (joint)"},
    {"উদ্দেশ্য", "UddEshJ", "\x44\x87\xCF\x6B\xA8", "key dd (joint)"},
    {"যুদ্ধ", "zUddh", "\x68\x79\xD7", "key ddh (joint)"},
    {"দ্বিতীয়", "dwItIIy", "\x77\xD8\x5A\x78\x71", "key dw (joint)"},
    {"অদ্ভুত", "OdbhUt", "\x41\x99\xA2\x79\x5A", "key dbh (joint)"},
    {"উদ্ভ্রান্ত", "UdbhRAnt", "\x44\x99\xA3\x76\x9A\x97", "key dbhR (joint)"},
    {"পদ্ম", "pOdM", "\x63\xD9", "key dM (joint)"},
    {"সমুদ্র", "sOmUdR", "\x6D\x67\x79\x60\xAA", "key dR (joint)"},
    {"বিদ্যুৎ", "bIdJU~t", "\x77\x65\x60\xA8\x79\x72", "key dJ (joint)"},
    {"ধ্বনি", "dhwOnI", "\x61\x9F\x77\x62", "key dhw (joint)"},
    {"ধ্রুব", "dhRUb", "\x61\xAA\x79\x65", "key dhR (joint)"},
    {"প্যান্ট", "pYAnT", "\x63\xA8\x76\x9B\x55", "key nT (joint)"},
    {"কন্ট্রোল", "kOnTROOl", "\x4B\x87\x9B\x55\xAA\x76\x6A", "key nTR (joint)"},
    {"লন্ঠন", "lOnThOn", "\x6A\xDA\x62", "key nTh (joint)"},
    {"গন্ডার", "gOnDAr", "\x4D\xDB\x76\x69", "key nD (joint)"},
    {"শান্ত", "shAnt", "\x6B\x76\x9A\x97", "key nt (joint)"},
    {"সান্ত্বনা", "sAntwOnA", "\x6D\x76\x9A\x97\xA1\x62\x76", "key ntw (joint)"},
    {"মন্ত্র", "mOntR", "\x67\x9A\xBF", "key ntR (joint)"},
    {"গ্রন্থ", "gROnth", "\x4D\xD6\x9A\x92", "key nth (joint)"},
    {"সুন্দর", "sUndOr", "\x6D\x79\x9B\x60\x69", "key nd (joint)"},
    {"দ্বন্দ্ব", "dwOndw", "\xD8\x9B\xD8", "key ndw (joint)"},
    {"কেন্দ্র", "kEndR", "\x86\x4B\x9B\x60\xAA", "key ndR (joint)"},
    {"বন্ধু", "bOndhU", "\x65\xDC\x79", "key ndh (joint)"},
    {"রন্ধ্র", "rOndhR", "\x69\xDC\xAA", "key ndhR (joint)"},
    {"অন্বেষণ", "OnwEShON", "\x41\x87\x9A\x5E\x6C\x59", "key nw (joint)"},
    {"লাইসেন্স", "lAIsEns", "\x6A\x76\x42\x87\x6D\xDD", "key ns (joint)"},
    {"সেপ্টেম্বর", "sEpTEmwOr", "\x86\x6D\x87\xDE\xA4\x5E\x69", "key pT (joint)"},
    {"সপ্তাহ", "sOptAh", "\x6D\xDF\x76\x6E", "key pt (joint)"},
    {"ধাপ্পা", "dhAppA", "\x61\x76\xE0\x76", "key pp (joint)"},
    {"লিপ্সা", "lIpsA", "\x77\x6A\xE1\x76", "key ps (joint)"},
    {"প্রথম", "pROthOm", "\x63\xD6\x5F\x67", "key pR (joint)"},
    {"ফ্রক", "phROk", "\x64\xAB\x4B", "key phR (joint)"},
    {"ফ্লাইট", "phLAIT", "\x64\xAC\x76\x42\x55", "key phL (joint)"},
    {"কুব্জ", "kUbj", "\x4B\x79\xE2", "key bj (joint)"},
    {"শব্দ", "shObd", "\x6B\xE3", "key bd (joint)"},
    {"লব্ধ", "lObdh", "\x6A\xE4", "key bdh (joint)"},
    {"ডাব্বা", "DAbwA", "\x57\x76\x65\x9F\x76", "key bw (joint)"},
    {"ব্রত", "bROt", "\x65\xAA\x5A", "key bR (joint)"},
    {"ভ্রমণ", "bhROmON", "\xE5\x67\x59", "key bhR (joint)"},
    {"সম্পর্ক", "sOmpORk", "\x6D\xA4\x63\x4B\xA9", "key mp (joint)"},
    {"সম্প্রতি", "sOmpROtI", "\x6D\xA4\x63\xD6\x77\x5A", "key mpR (joint)"},
    {"লম্ফ", "lOmph", "\x6A\xE7", "key mph (joint)"},
    {"লম্বা", "lOmwA", "\x6A\xA4\x5E\x76", "key mw (joint)"},
    {"সম্ভব", "sOmbhOb", "\x6D\xA4\xA2\x65", "key mbh (joint)"},
    {"সম্ভ্রম", "sOmbhROm", "\x6D\xA4\xA3\x67", "key mbhR (joint)"},
    {"সম্মান", "sOmMAn", "\x6D\xA4\xA7\x76\x62", "key mM (joint)"},
    {"অম্ল", "OmL", "\x41\xA4\xAC", "key mL (joint)"},
    {"নম্র", "nOmR", "\x62\x67\xAA", "key mR (joint)"},
    {"শুল্ক", "shUlk", "\xEF\xE9", "key lk (joint)"},
    {"বল্গা", "bOlgA", "\x65\xEA\x76", "key lg (joint)"},
    {"উল্টো", "UlTOO", "\x44\x87\xEB\x76", "key lT (joint)"},
    {"ফিল্ড", "phIlD", "\x77\x64\xEC", "key lD (joint)"},
    {"গল্প", "gOlp", "\x4D\xED", "key lp (joint)"},
    {"গুল্ফ", "gUlph", "\xB8\xEE", "key lph (joint)"},
    {"বিল্ব", "bIlw", "\x77\x65\x6A\xA1", "key lw (joint)"},
    {"নিশ্চয়", "nIshcOy", "\x77\x62\xF0\x71", "key shc (joint)"},
    {"শিরশ্ছেদ", "shIrOshchEd", "\x77\x6B\x69\x87\xF1\x60", "key shch (joint)"},
    {"বিশ্ব", "bIshw", "\x77\x65\x6B\xA6", "key shw (joint)"},
    {"মিশ্র", "mIshR", "\x77\x67\x6B\xAA", "key shR (joint)"},
    {"শুষ্ক", "shUShk", "\xEF\xAE\x8B", "key Shk (joint)"},
    {"নিষ্ক্রিয়", "nIShkRIy", "\x77\x62\x77\xAE\x8C\x71", "key ShkR (joint)"},
    {"কষ্ট", "kOShT", "\x4B\xF3", "key ShT (joint)"},
    {"রাষ্ট্র", "rAShTR", "\x69\x76\xF3\xAA", "key ShTR (joint)"},
    {"শ্রেষ্ঠ", "shREShTh", "\x86\x6B\xAA\xF4", "key ShTh (joint)"},
    {"কৃষ্ণ", "kWRIShN", "\x4B\x84\xF2", "key ShN (joint)"},
    {"নিষ্পাপ", "nIShpAp", "\x77\x62\xAE\x63\x76\x63", "key Shp (joint)"},
    {"নিষ্প্রয়োজন", "nIShpROyOOjOn", "\x77\x62\xAE\x63\xD6\x87\x71\x76\x52\x62", "key ShpR (joint)"},
    {"নিষ্ফল", "nIShphOl", "\x77\x62\xF5\x6A", "key Shph (joint)"},
    {"মাতৃষ্বসা", "mAtWRIShwOsA", "\x67\x76\x5A\x84\xAE\x5E\x6D\x76", "key Shw (joint)"},
    {"গ্রীষ্ম", "gRIIShM", "\x4D\xD6\x78\xAE\xA7", "key ShM (joint)"},
    {"স্কুল", "skUl", "\xAF\x8B\x79\x6A", "key sk (joint)"},
    {"স্ক্রু", "skRU", "\xAF\x8C\x79", "key skR (joint)"},
    {"স্খলন", "skhOlOn", "\xF6\x6A\x62", "key skh (joint)"},
    {"স্টেশন", "sTEshOn", "\x86\xF7\x6B\x62", "key sT (joint)"},
    {"স্ট্রাইক", "sTRAIk", "\xF7\xAA\x76\x42\x4B", "key sTR (joint)"},
    {"রাস্তা", "rAstA", "\x69\x76\xAF\x97\x76", "key st (joint)"},
    {"বহিস্ত্বক", "bOhIstwOk", "\x65\x77\x6E\xAF\x97\xA1\x4B", "key stw (joint)"},
    {"স্ত্রী", "stRII", "\xAF\xBF\x78", "key stR (joint)"},
    {"অবস্থা", "ObOsthA", "\x41\x65\xAF\x92\x76", "key sth (joint)"},
    {"স্পষ্ট", "spOShT", "\xAF\x63\xF3", "key sp (joint)"},
    {"স্প্রিং", "spRIng", "\x77\xAF\x63\xD6\x73", "key spR (joint)"},
    {"স্ফটিক", "sphOTIk", "\xF9\x77\x55\x4B", "key sph (joint)"},
    {"স্বাধীন", "swAdhIIn", "\xAF\x5E\x76\x61\x78\x62", "key sw (joint)"},
    {"স্মরণ", "sMOrON", "\xAF\xA7\x69\x59", "key sM (joint)"},
    {"স্লোগান", "sLOOgAn", "\x86\xAF\xAC\x76\x4D\x76\x62", "key sL (joint)"},
    {"সহস্র", "sOhOsR", "\x6D\x6E\x6D\xAA", "key sR (joint)"},
    {"চিহ্ন", "cIhN", "\x77\x50\xFD", "key hN (joint)"},
    {"ব্রাহ্মণ", "bRAhMON", "\x65\xAA\x76\xFE\x59", "key hM (joint)"},
    {"আহ্বান", "AhwAn", "\x41\x76\x6E\x9F\x76\x62", "key hw (joint)"},
    {"আহ্লাদ", "AhLAd", "\x41\x76\x6E\xAC\x76\x60", "key hL (joint)"},
    {"হ্রদ", "hROd", "\x6E\xAA\x60", "key hR (joint)"},
    // key examples: end
};

class RecordingLog : public kestrum::ConversionLog {
public:
    void clear() override { lines.clear(); }
    void append(std::string_view line) override { lines.emplace_back(line); }
    std::vector<std::string> lines;
};

// Bytes as hex, so a failure shows which glyph differs.
std::string hex(std::string_view bytes)
{
    std::string out;
    char buffer[4];
    for (unsigned char c : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02X ", c);
        out += buffer;
    }
    if (!out.empty())
        out.pop_back();
    return out;
}

class WordsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_engine.loadTables(KESTRUM_DATA_DIR);
        m_engine.setConversionLog(&m_log);
    }

    void expectConverted(const WordCase &row)
    {
        SCOPED_TRACE(std::string(row.bengali) + " typed " + row.typed + " (" + row.covers + ")");
        EXPECT_EQ(hex(m_engine.convertBytes(row.typed)), hex(row.glyphs));
        EXPECT_TRUE(m_log.lines.empty()) << m_log.lines.front();
    }

    kestrum::Engine m_engine;
    RecordingLog m_log;
};

TEST_F(WordsTest, CommonWordsAndSentencesComeOutAsSutonnyMJSpellsThem)
{
    for (const WordCase &row : kWords)
        expectConverted(row);
}

TEST_F(WordsTest, EveryKeysReadmeExampleComesOutRight)
{
    for (const WordCase &row : kKeyExamples)
        expectConverted(row);
}

// The rows between them reach every vowel sign, every way of placing one and every mark.
TEST_F(WordsTest, TheWordsCoverEverySignAndMark)
{
    const std::string_view needed[] = {
        "া", "ি", "ী", "ু", "ূ", "ৃ", "ে", "ৈ", "ো", "ৌ", // vowel signs
        "ং", "ঃ", "ঁ", "ৎ", "্‌",                        // marks and the visible hasanta
        "র্", "্র", "্য", "্ব", "্ম", "্ন", "্ল",         // reph and the phalas
        "ড়", "য়", "ঙ", "ঞ", "ণ",                        // letters with keys of their own
    };
    for (std::string_view sign : needed) {
        bool found = false;
        for (const WordCase &row : kWords)
            found = found || std::string_view(row.bengali).find(sign) != std::string_view::npos;
        EXPECT_TRUE(found) << "no word uses " << sign;
    }
    EXPECT_GE(std::size(kWords), 100u);
}

} // namespace
