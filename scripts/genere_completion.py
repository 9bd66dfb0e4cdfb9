#!/usr/bin/env python3
"""Writes the names that the editor offers to complete in HTML source.

Run once, by hand, when the HTML standard adds names; the files it writes are
kept in the project and compiled into the program:

  typing/completion/elements.txt   the elements, their attributes and the values
                                   of the enumerated ones (typing/completion.qrc)
  typing/completion/entites.txt    the named character references (the same)
  check/referenceshtml.inc         the same references as a C++ table sorted by
                                   name, for the page check's reading of links

    python3 scripts/genere_completion.py

The named character references are the HTML standard's table as Python carries it
(html.entities.html5); the elements and attributes are written below from the
standard's indices (the list of elements with their attributes, the global
attributes and the keywords of the enumerated attributes). Only conforming names
are listed; aria-* and data-* attributes, whose names are the author's, are not.
Nothing is fetched from the network.
"""

import html.entities
import pathlib
import sys

# The attributes that every HTML element takes.
GLOBAL = """
accesskey autocapitalize autocorrect autofocus class contenteditable dir draggable
enterkeyhint hidden id inert inputmode is itemid itemprop itemref itemscope itemtype
lang nonce popover slot spellcheck style tabindex title translate writingsuggestions
onauxclick onbeforeinput onbeforematch onbeforetoggle onblur oncancel oncanplay
oncanplaythrough onchange onclick onclose oncontextlost oncontextmenu
oncontextrestored oncopy oncuechange oncut ondblclick ondrag ondragend ondragenter
ondragleave ondragover ondragstart ondrop ondurationchange onemptied onended onerror
onfocus onformdata oninput oninvalid onkeydown onkeypress onkeyup onload onloadeddata
onloadedmetadata onloadstart onmousedown onmouseenter onmouseleave onmousemove
onmouseout onmouseover onmouseup onpaste onpause onplay onplaying onprogress
onratechange onreset onresize onscroll onscrollend onsecuritypolicyviolation
onseeked onseeking onselect onslotchange onstalled onsubmit onsuspend ontimeupdate
ontoggle onvolumechange onwaiting onwheel
"""

# Each element of the standard with the attributes it takes beyond the global ones.
ELEMENTS = {
    "a": "href target download ping rel hreflang type referrerpolicy",
    "abbr": "",
    "address": "",
    "area": "alt coords shape href target download ping rel referrerpolicy",
    "article": "",
    "aside": "",
    "audio": "src crossorigin preload autoplay loop muted controls",
    "b": "",
    "base": "href target",
    "bdi": "",
    "bdo": "",
    "blockquote": "cite",
    "body": "onafterprint onbeforeprint onbeforeunload onhashchange onlanguagechange "
            "onmessage onmessageerror onoffline ononline onpagehide onpagereveal "
            "onpageshow onpageswap onpopstate onrejectionhandled onstorage "
            "onunhandledrejection onunload",
    "br": "",
    "button": "disabled form formaction formenctype formmethod formnovalidate formtarget "
              "name popovertarget popovertargetaction type value",
    "canvas": "width height",
    "caption": "",
    "cite": "",
    "code": "",
    "col": "span",
    "colgroup": "span",
    "data": "value",
    "datalist": "",
    "dd": "",
    "del": "cite datetime",
    "details": "name open",
    "dfn": "",
    "dialog": "open",
    "div": "",
    "dl": "",
    "dt": "",
    "em": "",
    "embed": "src type width height",
    "fieldset": "disabled form name",
    "figcaption": "",
    "figure": "",
    "footer": "",
    "form": "accept-charset action autocomplete enctype method name novalidate rel target",
    "h1": "",
    "h2": "",
    "h3": "",
    "h4": "",
    "h5": "",
    "h6": "",
    "head": "",
    "header": "",
    "hgroup": "",
    "hr": "",
    "html": "",
    "i": "",
    "iframe": "src srcdoc name sandbox allow allowfullscreen width height referrerpolicy "
              "loading",
    "img": "alt src srcset sizes crossorigin usemap ismap width height referrerpolicy "
           "decoding loading fetchpriority",
    "input": "accept alt autocomplete checked dirname disabled form formaction formenctype "
             "formmethod formnovalidate formtarget height list max maxlength min minlength "
             "multiple name pattern placeholder popovertarget popovertargetaction readonly "
             "required size src step type value width",
    "ins": "cite datetime",
    "kbd": "",
    "label": "for",
    "legend": "",
    "li": "value",
    "link": "href crossorigin rel as media hreflang type sizes imagesrcset imagesizes "
            "referrerpolicy integrity blocking color disabled fetchpriority",
    "main": "",
    "map": "name",
    "mark": "",
    "math": "",
    "menu": "",
    "meta": "name http-equiv content charset media",
    "meter": "value min max low high optimum",
    "nav": "",
    "noscript": "",
    "object": "data type name form width height",
    "ol": "reversed start type",
    "optgroup": "disabled label",
    "option": "disabled label selected value",
    "output": "for form name",
    "p": "",
    "picture": "",
    "pre": "",
    "progress": "value max",
    "q": "cite",
    "rp": "",
    "rt": "",
    "ruby": "",
    "s": "",
    "samp": "",
    "script": "src type nomodule async defer crossorigin integrity referrerpolicy blocking "
              "fetchpriority",
    "search": "",
    "section": "",
    "select": "autocomplete disabled form multiple name required size",
    "slot": "name",
    "small": "",
    "source": "type media src srcset sizes width height",
    "span": "",
    "strong": "",
    "style": "media blocking",
    "sub": "",
    "summary": "",
    "sup": "",
    "svg": "",
    "table": "",
    "tbody": "",
    "td": "colspan rowspan headers",
    "template": "shadowrootmode shadowrootdelegatesfocus shadowrootclonable "
                "shadowrootserializable",
    "textarea": "autocomplete cols dirname disabled form maxlength minlength name "
                "placeholder readonly required rows wrap",
    "tfoot": "",
    "th": "colspan rowspan headers scope abbr",
    "thead": "",
    "time": "datetime",
    "title": "",
    "tr": "",
    "track": "default kind label src srclang",
    "u": "",
    "ul": "",
    "var": "",
    "video": "src crossorigin poster preload autoplay playsinline loop muted controls "
             "width height",
    "wbr": "",
}

# The keywords of enumerated attributes: (element, or "*" for any, attribute, values).
# lang takes any language tag: the most asked for are offered.
TARGETS = "_blank _self _parent _top"
METHODS = "get post dialog"
ENCTYPES = "application/x-www-form-urlencoded multipart/form-data text/plain"
REFERRERS = ("no-referrer no-referrer-when-downgrade same-origin origin strict-origin "
             "origin-when-cross-origin strict-origin-when-cross-origin unsafe-url")
LINK_RELS = ("alternate author bookmark external help license next nofollow noopener "
             "noreferrer opener prev privacy-policy search tag terms-of-service")
AUTOCOMPLETE = ("on off name honorific-prefix given-name additional-name family-name "
                "honorific-suffix nickname username new-password current-password "
                "one-time-code organization-title organization street-address "
                "address-line1 address-line2 address-line3 address-level4 address-level3 "
                "address-level2 address-level1 country country-name postal-code cc-name "
                "cc-given-name cc-additional-name cc-family-name cc-number cc-exp "
                "cc-exp-month cc-exp-year cc-csc cc-type transaction-currency "
                "transaction-amount language bday bday-day bday-month bday-year sex url "
                "photo tel tel-country-code tel-national tel-area-code tel-local "
                "tel-extension email impp webauthn")
VALUES = [
    ("*", "autocapitalize", "none sentences words characters off on"),
    ("*", "autocorrect", "on off"),
    ("*", "contenteditable", "true false plaintext-only"),
    ("*", "dir", "ltr rtl auto"),
    ("*", "draggable", "true false"),
    ("*", "enterkeyhint", "enter done go next previous search send"),
    ("*", "hidden", "hidden until-found"),
    ("*", "inputmode", "none text tel url email numeric decimal search"),
    ("*", "lang", "fr fr-BE fr-CA fr-CH fr-FR fr-LU en en-GB en-US de de-AT de-CH es it "
                  "nl pt pt-BR br ca co eu oc ar zh ja ru pl"),
    ("*", "popover", "auto manual"),
    ("*", "spellcheck", "true false"),
    ("*", "translate", "yes no"),
    ("*", "writingsuggestions", "true false"),
    ("a", "rel", LINK_RELS),
    ("a", "referrerpolicy", REFERRERS),
    ("a", "target", TARGETS),
    ("area", "rel", LINK_RELS),
    ("area", "referrerpolicy", REFERRERS),
    ("area", "shape", "circle default poly rect"),
    ("area", "target", TARGETS),
    ("audio", "crossorigin", "anonymous use-credentials"),
    ("audio", "preload", "none metadata auto"),
    ("base", "target", TARGETS),
    ("bdo", "dir", "ltr rtl"),
    ("button", "formenctype", ENCTYPES),
    ("button", "formmethod", METHODS),
    ("button", "formtarget", TARGETS),
    ("button", "popovertargetaction", "toggle show hide"),
    ("button", "type", "submit reset button"),
    ("form", "autocomplete", "on off"),
    ("form", "enctype", ENCTYPES),
    ("form", "method", METHODS),
    ("form", "rel", "external help license next nofollow noopener noreferrer opener prev "
                    "search"),
    ("form", "target", TARGETS),
    ("iframe", "loading", "lazy eager"),
    ("iframe", "referrerpolicy", REFERRERS),
    ("iframe", "sandbox", "allow-downloads allow-forms allow-modals allow-orientation-lock "
                          "allow-pointer-lock allow-popups allow-popups-to-escape-sandbox "
                          "allow-presentation allow-same-origin allow-scripts "
                          "allow-top-navigation allow-top-navigation-by-user-activation "
                          "allow-top-navigation-to-custom-protocols"),
    ("img", "crossorigin", "anonymous use-credentials"),
    ("img", "decoding", "sync async auto"),
    ("img", "fetchpriority", "high low auto"),
    ("img", "loading", "lazy eager"),
    ("img", "referrerpolicy", REFERRERS),
    ("input", "autocomplete", AUTOCOMPLETE),
    ("input", "formenctype", ENCTYPES),
    ("input", "formmethod", METHODS),
    ("input", "formtarget", TARGETS),
    ("input", "popovertargetaction", "toggle show hide"),
    ("input", "type", "hidden text search tel url email password date month week time "
                      "datetime-local number range color checkbox radio file submit image "
                      "reset button"),
    ("link", "as", "audio audioworklet document embed fetch font image json manifest "
                   "object paintworklet report script serviceworker sharedworker style "
                   "track video webidentity worker xslt"),
    ("link", "blocking", "render"),
    ("link", "crossorigin", "anonymous use-credentials"),
    ("link", "fetchpriority", "high low auto"),
    ("link", "referrerpolicy", REFERRERS),
    ("link", "rel", "alternate author canonical dns-prefetch expect help icon license "
                    "manifest modulepreload next pingback preconnect prefetch preload prev "
                    "privacy-policy search stylesheet terms-of-service"),
    ("meta", "charset", "utf-8"),
    ("meta", "http-equiv", "content-language content-type default-style refresh "
                           "set-cookie x-ua-compatible content-security-policy"),
    ("meta", "name", "application-name author color-scheme description generator keywords "
                     "referrer theme-color viewport robots"),
    ("ol", "type", "1 a A i I"),
    ("script", "blocking", "render"),
    ("script", "crossorigin", "anonymous use-credentials"),
    ("script", "fetchpriority", "high low auto"),
    ("script", "referrerpolicy", REFERRERS),
    ("script", "type", "module importmap text/javascript"),
    ("style", "blocking", "render"),
    ("template", "shadowrootmode", "open closed"),
    ("textarea", "autocomplete", AUTOCOMPLETE),
    ("textarea", "wrap", "soft hard"),
    ("th", "scope", "row col rowgroup colgroup"),
    ("track", "kind", "subtitles captions descriptions chapters metadata"),
    ("video", "crossorigin", "anonymous use-credentials"),
    ("video", "preload", "none metadata auto"),
]

HEADER = ("# Written by scripts/genere_completion.py from the HTML standard: "
          "do not edit by hand.\n")


def elements_text():
    lines = [HEADER,
             "# global ATTRIBUTES: the attributes of every element\n"
             "# element NAME ATTRIBUTES: an element and its own attributes\n"
             "# valeurs ELEMENT|* ATTRIBUTE VALUES: the keywords of an enumerated attribute\n"]
    lines.append("global " + " ".join(GLOBAL.split()) + "\n")
    for name in sorted(ELEMENTS):
        lines.append(" ".join(["element", name] + ELEMENTS[name].split()) + "\n")
    for element, attribute, values in VALUES:
        known = GLOBAL.split() + ([] if element == "*" else ELEMENTS[element].split())
        if attribute not in known:
            sys.exit(f"{attribute} is not an attribute of {element}")
        lines.append(" ".join(["valeurs", element, attribute] + values.split()) + "\n")
    return "".join(lines)


def entities_text():
    # One line a name: the name as the standard writes it (with its ";", or
    # without it for the old names that browsers also read so), then the code
    # points of its characters in hexadecimal.
    lines = [HEADER,
             "# NAME CODE-POINTS: a named character reference and its characters\n"]
    for name in sorted(html.entities.html5):
        points = " ".join(f"{ord(c):04X}" for c in html.entities.html5[name])
        lines.append(f"{name} {points}\n")
    return "".join(lines)


def literal(text):
    units = []
    for character in text:
        point = ord(character)
        units.append("\\U%08X" % point if point > 0xFFFF else "\\u%04X" % point)
    return 'u"' + "".join(units) + '"'


def references_table():
    # Sorted by the bytes of the name, as the check's binary search compares them.
    names = sorted(html.entities.html5, key=lambda name: name.encode("ascii"))
    lines = ["// Generated by scripts/genere_completion.py from the HTML standard's table of\n",
             "// named character references: %d names, sorted. Do not edit.\n" % len(names)]
    for name in names:
        lines.append('{"%s", %s},\n' % (name, literal(html.entities.html5[name])))
    return "".join(lines)


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    folder = root / "typing" / "completion"
    folder.mkdir(exist_ok=True)
    if len(html.entities.html5) != 2231:
        sys.exit(f"expected the 2,231 references of the standard, "
                 f"found {len(html.entities.html5)}")
    (folder / "elements.txt").write_text(elements_text(), encoding="utf-8")
    (folder / "entites.txt").write_text(entities_text(), encoding="utf-8")
    (root / "check" / "referenceshtml.inc").write_text(references_table(), encoding="utf-8")


if __name__ == "__main__":
    main()
