"""Reads a chart settings file field by field at its documented offsets and prints one
"name=value" line per field; texts are decoded from the given code page, doubles printed with
repr. The last line names every padding or unused text byte that is not zero ("zero=ok" when
there is none)."""
import struct
import sys

path, codepage = sys.argv[1], sys.argv[2]
data = open(path, "rb").read()
print("size=%d" % len(data))
zero_wanted = []


def text(name, at):
    length = data[at]
    print("%s=%s" % (name, data[at + 1:at + 1 + length].decode(codepage).replace("\r\n", "|")))
    zero_wanted.extend(range(at + 1 + length, at + 256))


def boolean(name, at):
    print("%s=%d" % (name, data[at]))


def integer(name, at):
    print("%s=%d" % (name, struct.unpack_from("<i", data, at)[0]))


def double(name, at):
    print("%s=%r" % (name, struct.unpack_from("<d", data, at)[0]))


def font(name, at):
    text(name + ".name", at)
    integer(name + ".size", at + 256)
    for i, style in enumerate(("bold", "italic", "underline", "strikeout")):
        boolean(name + "." + style, at + 260 + i)
    integer(name + ".color", at + 264)


def padding(at, count):
    zero_wanted.extend(range(at, at + count))


text("title", 0)
boolean("title.visible", 256)
padding(257, 3)
font("title.font", 260)
for axis, base in (("left", 528), ("bottom", 1616)):
    boolean(axis + ".automatic", base)
    padding(base + 1, 7)
    double(axis + ".minimum", base + 8)
    double(axis + ".maximum", base + 16)
    double(axis + ".increment", base + 24)
    text(axis + ".format", base + 32)
    font(axis + ".labels", base + 288)
    text(axis + ".caption", base + 556)
    font(axis + ".titlefont", base + 812)
    boolean(axis + ".grid", base + 1080)
    padding(base + 1081, 7)
boolean("border", 2704)
boolean("legend.visible", 2705)
padding(2706, 2)
integer("legend.width", 2708)
font("legend.font", 2712)
integer("bevel", 2980)
integer("color", 2984)
padding(2988, 4)
print("flags=" + "".join(str(b) for b in data[2992:3006]))
bad = [at for at in zero_wanted if data[at] != 0]
print("zero=" + ("ok" if not bad else ",".join(map(str, bad))))
