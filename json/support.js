// Support script of the JSON document. Added to every engine at its start,
// after the engine's own JSON object has been removed, so that the JSON below
// (its member order, its escapes, toJSONString and parseJSON) is the one in use.
// It must stay plain ES5: the engine has no arrow functions or classes.

// Pushes onto the global array str_all every string, number and boolean
// member of str_json (inherited enumerable members included), descending into
// objects and arrays when recursion is true. Returns str_all.
function get__nodeValue(str_json, recursion) {
    for (var key in str_json) {
        var member = str_json[key];
        var type = Object.prototype.toString.call(member);
        if (type == '[object Object]' || type == '[object Array]') {
            if (recursion) {
                get__nodeValue(member, recursion);
            }
        } else if (type == '[object String]' || type == '[object Number]' || type == '[object Boolean]') {
            str_all.push(member);
        }
    }
    return str_all;
}

// The length of an array, 0 for anything else.
function get__count(c) {
    if (Object.prototype.toString.call(c) == '[object Array]') {
        return c.length;
    }
    return 0;
}

// The names of the members of an object that are not functions, in
// enumeration order, joined with CR LF; empty text for anything else.
function get__name_All(a) {
    if (Object.prototype.toString.call(a) != '[object Object]') {
        return '';
    }
    var names = [];
    for (var key in a) {
        if (typeof a[key] != 'function') {
            names.push(key);
        }
    }
    return names.join('\r\n');
}

// Merges source into target. An array target receives every element of
// source at its end. Otherwise each member of source replaces a scalar or
// missing member of target, is merged into an object member (a null member is
// replaced), and leaves function members alone. Returns target.
function get__extend(target, source) {
    if (Object.prototype.toString.call(target) == '[object Array]') {
        for (var i = 0; i < source.length; i++) {
            target.push(source[i]);
        }
        return target;
    }
    for (var key in source) {
        var type = typeof target[key];
        if (type == 'string' || type == 'boolean' || type == 'number' || type == 'undefined') {
            target[key] = source[key];
        } else if (type == 'object') {
            target[key] = target[key] === null ? source[key] : get__extend(target[key], source[key]);
        }
    }
    return target;
}

if (typeof JSON != 'object' || JSON === null) {
    JSON = {};
}

(function () {
    function twoDigits(n) {
        return n < 10 ? '0' + n : '' + n;
    }

    function fourDigits(n) {
        var text = '' + n;
        while (text.length < 4) {
            text = '0' + text;
        }
        return text;
    }

    if (typeof Date.prototype.toJSON != 'function') {
        Date.prototype.toJSON = function () {
            if (!isFinite(this.valueOf())) {
                return null;
            }
            return fourDigits(this.getUTCFullYear()) + '-' + twoDigits(this.getUTCMonth() + 1) + '-' +
                twoDigits(this.getUTCDate()) + 'T' + twoDigits(this.getUTCHours()) + ':' +
                twoDigits(this.getUTCMinutes()) + ':' + twoDigits(this.getUTCSeconds()) + 'Z';
        };
        String.prototype.toJSON = Number.prototype.toJSON = Boolean.prototype.toJSON = function () {
            return this.valueOf();
        };
    }

    var hasOwn = Object.prototype.hasOwnProperty;
    var typeName = Object.prototype.toString;

    // Characters written as an escape: the backslash, the double quote, the
    // control characters, and the invisible or format characters that some
    // readers drop or treat as line ends.
    var needsEscape = /[\\"\u0000-\u001f\u007f-\u009f\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff]/g;
    var shortEscapes = {
        '\b': '\\b', '\t': '\\t', '\n': '\\n', '\f': '\\f', '\r': '\\r', '"': '\\"', '\\': '\\\\'
    };

    function escapeCharacter(c) {
        var shortForm = shortEscapes[c];
        if (typeof shortForm == 'string') {
            return shortForm;
        }
        var hex = c.charCodeAt(0).toString(16);
        return '\\u' + '0000'.slice(hex.length) + hex;
    }

    function quote(text) {
        needsEscape.lastIndex = 0;
        if (!needsEscape.test(text)) {
            return '"' + text + '"';
        }
        needsEscape.lastIndex = 0;
        return '"' + text.replace(needsEscape, escapeCharacter) + '"';
    }

    // The state of one stringify call: replacer, member list, indentation
    // and the objects being written (to refuse cycles).
    function Writer(replacer, memberList, gap) {
        this.replacer = replacer;
        this.memberList = memberList;
        this.gap = gap;
        this.indent = '';
        this.open = [];
    }

    Writer.prototype.value = function (key, holder) {
        var value = holder[key];
        if (value !== null && typeof value == 'object' && typeof value.toJSON == 'function') {
            value = value.toJSON(key);
        }
        if (typeof this.replacer == 'function') {
            value = this.replacer.call(holder, key, value);
        }
        if (value !== null && typeof value == 'object') {
            var type = typeName.call(value);
            if (type == '[object Number]') {
                value = Number(value);
            } else if (type == '[object String]') {
                value = String(value);
            } else if (type == '[object Boolean]') {
                value = value.valueOf();
            }
        }
        switch (typeof value) {
        case 'string':
            return quote(value);
        case 'number':
            return isFinite(value) ? String(value) : 'null';
        case 'boolean':
            return String(value);
        case 'object':
            if (value === null) {
                return 'null';
            }
            return typeName.call(value) == '[object Array]' ? this.array(value) : this.object(value);
        default:
            return undefined;  // undefined and functions are not written
        }
    };

    Writer.prototype.enter = function (value) {
        if (this.open.indexOf(value) >= 0) {
            throw new TypeError('JSON.stringify: cyclic structure');
        }
        this.open.push(value);
        var outer = this.indent;
        this.indent += this.gap;
        return outer;
    };

    Writer.prototype.leave = function (outer, parts, opening, closing) {
        this.open.pop();
        var inner = this.indent;
        this.indent = outer;
        if (parts.length === 0) {
            return opening + closing;
        }
        if (!this.gap) {
            return opening + parts.join(',') + closing;
        }
        return opening + '\n' + inner + parts.join(',\n' + inner) + '\n' + outer + closing;
    };

    Writer.prototype.array = function (value) {
        var outer = this.enter(value);
        var parts = [];
        for (var i = 0; i < value.length; i++) {
            var element = this.value(i, value);
            parts.push(element === undefined ? 'null' : element);
        }
        return this.leave(outer, parts, '[', ']');
    };

    Writer.prototype.object = function (value) {
        var outer = this.enter(value);
        var keys = this.memberList;
        if (!keys) {
            keys = [];
            for (var key in value) {
                if (hasOwn.call(value, key)) {
                    keys.push(key);
                }
            }
        }
        var parts = [];
        var separator = this.gap ? ': ' : ':';
        for (var i = 0; i < keys.length; i++) {
            var member = this.value(keys[i], value);
            if (member !== undefined) {
                parts.push(quote(keys[i]) + separator + member);
            }
        }
        return this.leave(outer, parts, '{', '}');
    };

    function memberListOf(replacer) {
        if (typeName.call(replacer) != '[object Array]') {
            return undefined;
        }
        var list = [];
        var seen = {};
        for (var i = 0; i < replacer.length; i++) {
            var item = replacer[i];
            var type = typeName.call(item);
            if (type != '[object String]' && type != '[object Number]') {
                continue;
            }
            item = String(item);
            if (!hasOwn.call(seen, item)) {
                seen[item] = true;
                list.push(item);
            }
        }
        return list;
    }

    function gapOf(space) {
        var type = typeName.call(space);
        if (type == '[object Number]') {
            var count = Math.min(10, Math.floor(Number(space)));
            var gap = '';
            for (var i = 0; i < count; i++) {
                gap += ' ';
            }
            return gap;
        }
        if (type == '[object String]') {
            return String(space).slice(0, 10);
        }
        return '';
    }

    // The shape of JSON text, one token at a time: strings, numbers,
    // literals and punctuation, each after optional white space.
    var jsonToken = /[\t\n\r ]*(?:("(?:[^"\\\u0000-\u001f]|\\["\\\/bfnrt]|\\u[0-9a-fA-F]{4})*")|(-?(?:0|[1-9][0-9]*)(?:\.[0-9]+)?(?:[eE][+\-]?[0-9]+)?)|(true|false|null)|([\[\]{}:,]))/g;

    // True when text is one JSON value. Walks the tokens with an explicit
    // stack of open containers, so deep nesting costs no recursion.
    function hasJsonShape(text) {
        var open = [];
        var expect = 'value';  // value, valueOrEnd, key, keyOrEnd, colon, commaOrEnd, done
        var position = 0;
        for (;;) {
            jsonToken.lastIndex = position;
            var match = jsonToken.exec(text);
            if (!match || match.index != position) {
                break;
            }
            position = jsonToken.lastIndex;
            var punctuation = match[4];
            var isScalar = !punctuation;
            var isString = match[1] !== undefined && match[1] !== '';
            if (isScalar && (expect == 'key' || expect == 'keyOrEnd')) {
                if (!isString) {
                    return false;
                }
                expect = 'colon';
            } else if (isScalar || punctuation == '[' || punctuation == '{') {
                if (expect != 'value' && expect != 'valueOrEnd') {
                    return false;
                }
                if (isScalar) {
                    expect = open.length ? 'commaOrEnd' : 'done';
                } else {
                    open.push(punctuation);
                    expect = punctuation == '[' ? 'valueOrEnd' : 'keyOrEnd';
                }
            } else if (punctuation == ']' || punctuation == '}') {
                var emptyClose = (punctuation == ']' && expect == 'valueOrEnd') ||
                    (punctuation == '}' && expect == 'keyOrEnd');
                if (!emptyClose && expect != 'commaOrEnd') {
                    return false;
                }
                if (open.pop() != (punctuation == ']' ? '[' : '{')) {
                    return false;
                }
                expect = open.length ? 'commaOrEnd' : 'done';
            } else if (punctuation == ',') {
                if (expect != 'commaOrEnd') {
                    return false;
                }
                expect = open[open.length - 1] == '[' ? 'value' : 'key';
            } else {  // ':'
                if (expect != 'colon') {
                    return false;
                }
                expect = 'value';
            }
        }
        return expect == 'done' && /^[\t\n\r ]*$/.test(text.slice(position));
    }

    function revive(holder, key, reviver) {
        var value = holder[key];
        if (value !== null && typeof value == 'object') {
            for (var name in value) {
                if (hasOwn.call(value, name)) {
                    var revived = revive(value, name, reviver);
                    if (revived === undefined) {
                        delete value[name];
                    } else {
                        value[name] = revived;
                    }
                }
            }
        }
        return reviver.call(holder, key, value);
    }

    if (typeof JSON.stringify != 'function') {
        JSON.stringify = function (value, replacer, space) {
            var writer = new Writer(replacer, memberListOf(replacer), gapOf(space));
            return writer.value('', {'': value});
        };
    }

    if (typeof JSON.parse != 'function') {
        JSON.parse = function (text, reviver) {
            text = String(text);
            if (!hasJsonShape(text)) {
                throw new SyntaxError('JSON.parse');
            }
            // U+2028 and U+2029 are allowed in JSON strings but end a line in
            // script source; written as escapes they mean the same.
            var source = text.replace(/[\u2028\u2029]/g, function (c) {
                return c == '\u2028' ? '\\u2028' : '\\u2029';
            });
            var value = (0, eval)('(' + source + ')');
            return typeof reviver == 'function' ? revive({'': value}, '', reviver) : value;
        };
    }
}());

// Every object can write itself as JSON text and read itself as JSON text.
// Both are enumerable, which is why the functions above skip function members.
if (typeof Object.prototype.toJSONString != 'function') {
    Object.prototype.toJSONString = function (filter) {
        return JSON.stringify(this, filter);
    };
}
if (typeof Object.prototype.parseJSON != 'function') {
    Object.prototype.parseJSON = function (filter) {
        return JSON.parse(this, filter);
    };
}
