package vaultwick.engine;

import java.io.ByteArrayOutputStream;
import java.io.DataInputStream;
import java.io.EOFException;
import java.io.IOException;
import java.nio.charset.StandardCharsets;

/** One frame of the tray protocol: a 6-byte big-endian header (u16 type id, s32 length), then the body. */
final class Frame {
    static final int HEADER_BYTES = 6;
    /** Bodies above this are not allocated; the connection is dropped instead, as the tray does. */
    static final int MAX_BODY = 16 * 1024 * 1024;

    final int typeId;
    /** The length field as received; negative or over-bound lengths are kept to be recorded. */
    final int length;
    final byte[] body;

    Frame(int typeId, int length, byte[] body) {
        this.typeId = typeId;
        this.length = length;
        this.body = body;
    }

    static Frame of(int typeId, String text) {
        byte[] body = latin1(text);
        return new Frame(typeId, body.length, body);
    }

    static byte[] latin1(String text) {
        return text.getBytes(StandardCharsets.ISO_8859_1);
    }

    boolean lengthAcceptable() {
        return length >= 0 && length <= MAX_BODY;
    }

    byte[] encode() {
        ByteArrayOutputStream out = new ByteArrayOutputStream(HEADER_BYTES + body.length);
        out.write(typeId >>> 8);
        out.write(typeId);
        out.write(body.length >>> 24);
        out.write(body.length >>> 16);
        out.write(body.length >>> 8);
        out.write(body.length);
        out.write(body, 0, body.length);
        return out.toByteArray();
    }

    /**
     * Reads the next frame, or returns null at a clean end of stream between frames. A frame with an
     * unacceptable length comes back without its body; the caller must not read on after it.
     */
    static Frame read(DataInputStream in) throws IOException {
        int first = in.read();
        if (first < 0) return null;
        int second = in.read();
        if (second < 0) throw new EOFException("stream ended inside a frame header");
        int typeId = (first << 8) | second;
        int length = in.readInt();
        if (length < 0 || length > MAX_BODY) return new Frame(typeId, length, new byte[0]);
        byte[] body = new byte[length];
        in.readFully(body);
        return new Frame(typeId, length, body);
    }

    /** The ClassMessage that names a type: tokens "signed 16-bit id" and "class name". */
    static Frame announcement(int typeId, String className) {
        return of(Catalogue.CLASS_MESSAGE, (short) typeId + "|" + className);
    }

    static String hex(byte[] bytes) {
        StringBuilder s = new StringBuilder(bytes.length * 2);
        for (byte b : bytes) {
            s.append(Character.forDigit((b >> 4) & 0xF, 16)).append(Character.forDigit(b & 0xF, 16));
        }
        return s.toString();
    }

    static byte[] unhex(String text) {
        if (text.length() % 2 != 0) throw new IllegalArgumentException("odd number of hex digits");
        byte[] bytes = new byte[text.length() / 2];
        for (int i = 0; i < bytes.length; i++) {
            int hi = Character.digit(text.charAt(2 * i), 16);
            int lo = Character.digit(text.charAt(2 * i + 1), 16);
            if (hi < 0 || lo < 0) throw new IllegalArgumentException("not a hex digit");
            bytes[i] = (byte) ((hi << 4) | lo);
        }
        return bytes;
    }

    /** The body as readable one-line text: Latin-1 characters as they are, others as \xNN. */
    static String printable(byte[] bytes) {
        StringBuilder s = new StringBuilder(bytes.length);
        for (byte b : bytes) {
            int c = b & 0xFF;
            if (c == '\\') {
                s.append("\\\\");
            } else if ((c >= 0x20 && c < 0x7F) || c >= 0xA0) {
                s.append((char) c);
            } else {
                s.append(String.format("\\x%02x", c));
            }
        }
        return s.toString();
    }
}
