// ibus-engine-kestrum: Kestrum's romanisation typed into every program IBus serves. IBus starts
// it with --ibus; it makes one engine object per input context, reads IBus's key events into the
// composer's keys and shows what the composer says. The options are in the engine's property
// menu and are kept in ~/.config/kestrum/ibus.conf.
#include "composer.h"
#include "lexicon.h"
#include "settings.h"

#include <ibus.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <variant>

// The programs' folder relative to this program's, as the install lays them out.
#ifndef KESTRUM_ENGINE_TO_PROGRAMS
#define KESTRUM_ENGINE_TO_PROGRAMS "../bin"
#endif

namespace {

using kestrum::ime::Composer;
using kestrum::ime::Options;
using kestrum::ime::Output;

constexpr char kComponent[] = "org.freedesktop.IBus.Kestrum";
constexpr char kEngineName[] = "kestrum";
constexpr char kPropUnicode[] = "output-unicode";
constexpr char kPropSutonnyMJ[] = "output-sutonnymj";
constexpr char kPropOutput[] = "output";
constexpr char kPropSwapCase[] = "swap-case";
constexpr char kPropAnyCase[] = "any-case";

// What every input context shares: the tables, the options, or why the tables cannot be read.
struct Shared {
    std::unique_ptr<kestrum::ime::Converter> converter;
    std::unique_ptr<kestrum::ime::Lexicon> lexicon;
    std::string problem;
    Options options;
    std::filesystem::path settings;
    bool loaded = false;
};
Shared &shared() {
    static Shared s;
    return s;
}

void loadOnce() {
    Shared &s = shared();
    if (s.loaded)
        return;
    s.loaded = true;
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    auto loaded = kestrum::ime::loadConverter(self.parent_path(), KESTRUM_ENGINE_TO_PROGRAMS);
    if (auto *converter = std::get_if<std::unique_ptr<kestrum::ime::Converter>>(&loaded))
        s.converter = std::move(*converter);
    else
        s.problem = "Kestrum: " + std::get<std::string>(loaded);
    if (s.converter)
        s.lexicon = kestrum::ime::Lexicon::forUser(*s.converter);
    s.settings = kestrum::ime::settingsFile("ibus.conf");
    if (!s.settings.empty())
        s.options = kestrum::ime::readOptions(s.settings);
}

Composer::Key keyOf(guint keyval, guint modifiers) {
    using Kind = Composer::Key::Kind;
    Composer::Key k;
    k.command = (modifiers & (IBUS_CONTROL_MASK | IBUS_MOD1_MASK | IBUS_SUPER_MASK |
                              IBUS_MOD4_MASK | IBUS_HYPER_MASK)) != 0;
    switch (keyval) {
    case IBUS_KEY_space:
    case IBUS_KEY_KP_Space:
        k.kind = Kind::Space;
        return k;
    case IBUS_KEY_Return:
    case IBUS_KEY_KP_Enter:
        k.kind = Kind::Enter;
        return k;
    case IBUS_KEY_Tab:
    case IBUS_KEY_KP_Tab:
    case IBUS_KEY_ISO_Left_Tab:
        k.kind = Kind::Tab;
        return k;
    case IBUS_KEY_BackSpace:
        k.kind = Kind::Backspace;
        return k;
    case IBUS_KEY_Escape:
        k.kind = Kind::Escape;
        return k;
    case IBUS_KEY_Left:
    case IBUS_KEY_Right:
    case IBUS_KEY_Up:
    case IBUS_KEY_Down:
    case IBUS_KEY_Home:
    case IBUS_KEY_End:
    case IBUS_KEY_Page_Up:
    case IBUS_KEY_Page_Down:
    case IBUS_KEY_KP_Left:
    case IBUS_KEY_KP_Right:
    case IBUS_KEY_KP_Up:
    case IBUS_KEY_KP_Down:
    case IBUS_KEY_KP_Home:
    case IBUS_KEY_KP_End:
    case IBUS_KEY_KP_Page_Up:
    case IBUS_KEY_KP_Page_Down:
        k.kind = Kind::Caret;
        return k;
    default:
        break;
    }
    // Shift, Ctrl, Alt, Caps Lock and the level shifts alone.
    if ((keyval >= IBUS_KEY_Shift_L && keyval <= IBUS_KEY_Hyper_R) ||
        (keyval >= IBUS_KEY_ISO_Lock && keyval <= IBUS_KEY_ISO_Last_Group_Lock) ||
        keyval == IBUS_KEY_Num_Lock || keyval == IBUS_KEY_Mode_switch) {
        k.kind = Kind::Modifier;
        return k;
    }
    if (const gunichar c = ibus_keyval_to_unicode(keyval); c >= 0x20 && c != 0x7F) {
        k.kind = Kind::Character;
        k.text = c;
    }
    return k;
}

} // namespace

extern "C" {

struct KestrumEngine {
    IBusEngine parent;
    Composer *composer;
    IBusPropList *properties;
    // The preedit was given to IBus to commit as it stands on focus loss.
    gboolean preeditCommits;
};
struct KestrumEngineClass {
    IBusEngineClass parent;
};

GType kestrum_engine_get_type();
G_DEFINE_TYPE(KestrumEngine, kestrum_engine, IBUS_TYPE_ENGINE)

} // extern "C"

namespace {

void show(KestrumEngine *self) {
    IBusEngine *engine = IBUS_ENGINE(self);
    const Composer &composer = *self->composer;
    if (!composer.composing()) {
        ibus_engine_hide_preedit_text(engine);
        ibus_engine_update_preedit_text_with_mode(engine, ibus_text_new_from_static_string(""), 0,
                                                  FALSE, IBUS_ENGINE_PREEDIT_CLEAR);
        ibus_engine_hide_auxiliary_text(engine);
        ibus_engine_hide_lookup_table(engine);
        self->preeditCommits = FALSE;
        return;
    }
    const std::string &preedit = composer.preedit();
    IBusText *text = ibus_text_new_from_string(preedit.c_str());
    const auto length = static_cast<guint>(g_utf8_strlen(preedit.c_str(), -1));
    ibus_text_append_attribute(text, IBUS_ATTR_TYPE_UNDERLINE, IBUS_ATTR_UNDERLINE_SINGLE, 0,
                               length);
    self->preeditCommits = composer.preeditCommitsAsShown();
    ibus_engine_update_preedit_text_with_mode(engine, text, length, TRUE,
                                              self->preeditCommits ? IBUS_ENGINE_PREEDIT_COMMIT
                                                                   : IBUS_ENGINE_PREEDIT_CLEAR);
    ibus_engine_update_auxiliary_text(
        engine, ibus_text_new_from_string(composer.keysShown().c_str()), TRUE);
    // The candidates, when the word may be more than one thing.
    if (composer.showsCandidates()) {
        IBusLookupTable *table = ibus_lookup_table_new(Composer::kCandidates, 0, TRUE, FALSE);
        for (const auto &candidate : composer.candidates())
            ibus_lookup_table_append_candidate(table,
                                               ibus_text_new_from_string(candidate.text.c_str()));
        ibus_engine_update_lookup_table(engine, table, TRUE);
    } else {
        ibus_engine_hide_lookup_table(engine);
    }
}

void commit(KestrumEngine *self, const std::string &text) {
    if (!text.empty())
        ibus_engine_commit_text(IBUS_ENGINE(self), ibus_text_new_from_string(text.c_str()));
}

IBusProperty *property(const char *key, IBusPropType type, const char *label, IBusPropState state,
                       IBusPropList *sub = nullptr) {
    return ibus_property_new(key, type, ibus_text_new_from_string(label), nullptr, nullptr, TRUE,
                             TRUE, state, sub);
}

// The property menu: Output (Unicode, SutonnyMJ) and Swap case, as the options stand.
IBusPropList *makeProperties() {
    const Options &options = shared().options;
    auto on = [](bool b) { return b ? PROP_STATE_CHECKED : PROP_STATE_UNCHECKED; };
    IBusPropList *outputs = ibus_prop_list_new();
    ibus_prop_list_append(outputs, property(kPropUnicode, PROP_TYPE_RADIO, "Unicode",
                                            on(options.output == Output::Unicode)));
    ibus_prop_list_append(outputs,
                          property(kPropSutonnyMJ, PROP_TYPE_RADIO, "SutonnyMJ glyph codes",
                                   on(options.output == Output::SutonnyMJ)));
    IBusPropList *list = ibus_prop_list_new();
    g_object_ref_sink(list);
    ibus_prop_list_append(
        list, property(kPropOutput, PROP_TYPE_MENU,
                       options.output == Output::Unicode ? "Output: Unicode" : "Output: SutonnyMJ",
                       PROP_STATE_UNCHECKED, outputs));
    ibus_prop_list_append(
        list, property(kPropSwapCase, PROP_TYPE_TOGGLE, "Swap case", on(options.swapCase)));
    ibus_prop_list_append(
        list, property(kPropAnyCase, PROP_TYPE_TOGGLE, "Any case", on(options.anyCase)));
    return list;
}

void showProperties(KestrumEngine *self) {
    if (self->properties)
        g_object_unref(self->properties);
    self->properties = makeProperties();
    ibus_engine_register_properties(IBUS_ENGINE(self), self->properties);
}

gboolean processKeyEvent(IBusEngine *engine, guint keyval, guint, guint modifiers) {
    auto *self = reinterpret_cast<KestrumEngine *>(engine);
    if (modifiers & IBUS_RELEASE_MASK)
        return FALSE;
    if (!shared().converter) {
        ibus_engine_update_auxiliary_text(
            engine, ibus_text_new_from_string(shared().problem.c_str()), TRUE);
        return FALSE; // the key goes on unchanged
    }
    if (self->composer->options() != shared().options)
        self->composer->setOptions(shared().options);
    const Composer::Outcome outcome = self->composer->press(keyOf(keyval, modifiers));
    commit(self, outcome.commit);
    show(self);
    return outcome.forward ? FALSE : TRUE;
}

void focusIn(IBusEngine *engine) {
    showProperties(reinterpret_cast<KestrumEngine *>(engine));
    IBUS_ENGINE_CLASS(kestrum_engine_parent_class)->focus_in(engine);
}

// IBus commits a preedit given in its commit mode itself when the focus goes; any other word
// is written here, once.
void focusOut(IBusEngine *engine) {
    auto *self = reinterpret_cast<KestrumEngine *>(engine);
    if (self->preeditCommits)
        self->composer->discard();
    else
        commit(self, self->composer->commit());
    show(self);
    IBUS_ENGINE_CLASS(kestrum_engine_parent_class)->focus_out(engine);
}

void reset(IBusEngine *engine) {
    auto *self = reinterpret_cast<KestrumEngine *>(engine);
    commit(self, self->composer->commit());
    show(self);
    IBUS_ENGINE_CLASS(kestrum_engine_parent_class)->reset(engine);
}

void propertyActivate(IBusEngine *engine, const gchar *name, guint state) {
    auto *self = reinterpret_cast<KestrumEngine *>(engine);
    Options &options = shared().options;
    if (std::strcmp(name, kPropUnicode) == 0 && state == PROP_STATE_CHECKED)
        options.output = Output::Unicode;
    else if (std::strcmp(name, kPropSutonnyMJ) == 0 && state == PROP_STATE_CHECKED)
        options.output = Output::SutonnyMJ;
    else if (std::strcmp(name, kPropSwapCase) == 0)
        options.swapCase = state == PROP_STATE_CHECKED;
    else if (std::strcmp(name, kPropAnyCase) == 0)
        options.anyCase = state == PROP_STATE_CHECKED;
    else
        return;
    if (!shared().settings.empty()) {
        std::string reason;
        if (!kestrum::ime::writeOptions(shared().settings, options, &reason))
            std::fprintf(stderr, "ibus-engine-kestrum: %s\n", reason.c_str());
    }
    self->composer->setOptions(options);
    showProperties(self);
    show(self);
}

// A candidate clicked in the panel's list.
void candidateClicked(IBusEngine *engine, guint index, guint, guint) {
    auto *self = reinterpret_cast<KestrumEngine *>(engine);
    if (index < self->composer->candidates().size())
        commit(self, self->composer->pick(index).commit);
    show(self);
}

void finalize(GObject *object) {
    auto *self = reinterpret_cast<KestrumEngine *>(object);
    delete self->composer;
    if (self->properties)
        g_object_unref(self->properties);
    G_OBJECT_CLASS(kestrum_engine_parent_class)->finalize(object);
}

} // namespace

extern "C" {

static void kestrum_engine_class_init(KestrumEngineClass *klass) {
    IBusEngineClass *engine = IBUS_ENGINE_CLASS(klass);
    engine->process_key_event = processKeyEvent;
    engine->focus_in = focusIn;
    engine->focus_out = focusOut;
    engine->reset = reset;
    engine->property_activate = propertyActivate;
    engine->candidate_clicked = candidateClicked;
    G_OBJECT_CLASS(klass)->finalize = finalize;
}

static void kestrum_engine_init(KestrumEngine *self) {
    loadOnce();
    self->composer =
        new Composer(shared().converter.get(), shared().options, shared().lexicon.get());
    self->properties = nullptr;
    self->preeditCommits = FALSE;
}

} // extern "C"

int main(int argc, char **argv) {
    bool byIbus = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--ibus") == 0) {
            byIbus = true;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("Usage: %s --ibus\nKestrum's input method for IBus; IBus starts it.\n",
                        argv[0]);
            return 0;
        }
    }
    ibus_init();
    IBusBus *bus = ibus_bus_new();
    if (!ibus_bus_is_connected(bus)) {
        std::fprintf(stderr, "%s: cannot reach the IBus daemon\n", argv[0]);
        return 1;
    }
    g_signal_connect(bus, "disconnected", G_CALLBACK(+[](IBusBus *, gpointer) { ibus_quit(); }),
                     nullptr);
    IBusFactory *factory = ibus_factory_new(ibus_bus_get_connection(bus));
    ibus_factory_add_engine(factory, kEngineName, kestrum_engine_get_type());
    if (byIbus) {
        ibus_bus_request_name(bus, kComponent, 0);
    } else {
        IBusComponent *component = ibus_component_new(kComponent, "Kestrum", KESTRUM_VERSION, "MIT",
                                                      "The Kestrum developers", "", "", "kestrum");
        ibus_component_add_engine(
            component, ibus_engine_desc_new(kEngineName, "Kestrum", "Bengali, romanised (Kestrum)",
                                            "bn", "MIT", "The Kestrum developers", "", "us"));
        ibus_bus_register_component(bus, component);
    }
    ibus_main();
    return 0;
}
