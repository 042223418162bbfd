#include "manager/net/EventListener.h"

namespace brivak::manager::net {

EventListener::EventListener(boost::asio::io_context& io, std::uint16_t port, Handler handler, std::string bindAddress)
    : port_(port), bindAddress_(std::move(bindAddress)), loop_(io, std::move(handler)) {}

EventListener::~EventListener() { Stop(); }

StartResult EventListener::Start() { return loop_.Open(bindAddress_, port_, false); }

void EventListener::Stop() { loop_.Close(); }

}  // namespace brivak::manager::net
