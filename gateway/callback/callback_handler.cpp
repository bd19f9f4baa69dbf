#include "callback/callback_handler.h"

#include "callback/digest.h"
#include "callback/settings.h"
#include "callback/text_routines.h"
#include "callback/text_worker.h"
#include "callback/time_texts.h"
#include "system/log_sink.h"

#include <vector>

namespace gw {
namespace {

// The log texts and keys, converted once to local text.
struct Texts {
    std::string verification = utf8_to_local("收到Token验证");
    std::string verified = utf8_to_local("验证成功：");
    std::string event = utf8_to_local("收到事件-----");
    std::string followed = utf8_to_local("收到关注事件：");
    std::string follow_reply = utf8_to_local("回复关注事件：");
    std::string unfollowed = utf8_to_local("取消关注事件：");
    std::string reply_key = utf8_to_local("回复内容");
};

const Texts& texts() {
    // Never destroyed: a worker may still log while the program ends.
    static const Texts* t = new Texts;
    return *t;
}

// Writes `content` into a CDATA section; a "]]>" inside it would end the
// section early, so the section is split there and the text stays intact.
std::string cdata_content(const std::string& content) {
    std::string out;
    size_t pos = 0;
    for (;;) {
        size_t hit = content.find("]]>", pos);
        if (hit == std::string::npos) break;
        out.append(content, pos, hit + 2 - pos);
        out += "]]><![CDATA[";
        pos = hit + 2;
    }
    out.append(content, pos);
    return out;
}

} // namespace

void send_response_and_close(ClientLink& link, ClientId client, const std::string& body) {
    link.send(client, build_response(body));
    link.disconnect(client);
}

std::string build_response(const std::string& body) {
    std::string response =
        "HTTP/1.1 200 OK\r\nServer: WebServer1.0\r\nContent-Type: textml; charset=utf-8\r\nDate: ";
    response += time_text();
    response += "\r\n\r\n";
    response += body;
    return response;
}

std::string build_text_reply(const std::string& content, const std::string& addressee, const std::string& sender) {
    std::string xml = "<xml>\r\n<ToUserName><![CDATA[" + addressee + "]]></ToUserName>\r\n<FromUserName><![CDATA[" +
                      sender + "]]></FromUserName>\r\n<CreateTime>" + create_time_text() +
                      "</CreateTime>\r\n<MsgType><![CDATA[text]]></MsgType>\r\n<Content><![CDATA[" +
                      cdata_content(content) + "]]></Content>\r\n </xml>";
    return local_to_utf8(xml);
}

void handle_callback(const std::shared_ptr<ClientLink>& link, ClientId client, const std::string& bytes) {
    const Texts& t = texts();
    const std::string request = utf8_to_local(bytes);
    append_log("[" + time_text() + "]\r\n" + request + "\r\n\r\n\r\n");

    const std::string signature = text_between(request, "signature=", "&");
    const std::string timestamp = text_between(request, "timestamp=", "&");
    std::string nonce = text_between(request, "nonce=", " HTTP");
    // The first 13 characters of local text, then only their digits.
    size_t cut = 0;
    for (int chars = 0; chars < 13 && cut < nonce.size(); ++chars)
        cut += static_cast<unsigned char>(nonce[cut]) >= 0x80 ? 2 : 1;
    nonce = digits_only(nonce.substr(0, std::min(cut, nonce.size())));
    const std::string token = read_setting("Token");

    std::vector<std::string> parts{nonce, timestamp, token};
    sort_texts(parts);
    const std::string computed = Digest().sha1_hex(parts[0] + parts[1] + parts[2]);
    if (!equal_in_constant_time(computed, signature)) return;

    const std::string to_user = text_between(request, "<ToUserName><![CDATA[", "]]></ToUserName>");
    const std::string from_user = text_between(request, "<FromUserName><![CDATA[", "]]></FromUserName>");
    const std::string msg_type = text_between(request, "<MsgType><![CDATA[", "]]></MsgType>");

    if (msg_type.empty()) {
        append_log("[" + time_text() + "]\r\n" + t.verification + "\r\n\r\n\r\n");
        send_response_and_close(*link, client, text_between(request, "echostr=", "&"));
        append_log("[" + time_text() + "]\r\n" + t.verified + computed + "\r\n\r\n\r\n");
        return;
    }
    if (msg_type == "text") {
        start_text_worker(link, client, request, to_user, from_user);
        return;
    }
    if (msg_type == "event") {
        // The event's own lines repeat the time of its first line.
        const std::string now = time_text();
        append_log("\r\n[" + now + "]\r\n" + t.event + "\r\n\r\n");
        const std::string event = text_between(request, "<Event><![CDATA[", "]]></Event>");
        if (event == "subscribe") {
            append_log("[" + now + "]\r\n" + t.followed + from_user + "\r\n\r\n");
            const std::string reply = read_setting(t.reply_key);
            send_response_and_close(*link, client, build_text_reply(reply, from_user, to_user));
            append_log("[" + time_text() + "]\r\n" + t.follow_reply + reply + "\r\n\r\n");
            return;
        }
        send_response_and_close(*link, client, std::string());
        if (event == "unsubscribe") append_log("[" + now + "]\r\n" + t.unfollowed + from_user + "\r\n\r\n");
        return;
    }
    // Image, voice, location, link and the like: without an answer the
    // platform retries and then tells the user the account cannot serve.
    send_response_and_close(*link, client, std::string());
}

} // namespace gw
