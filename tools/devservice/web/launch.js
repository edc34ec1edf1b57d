// The launch page: builds the PC list from the data the service wrote into
// the page, and tells the desktop client it runs in about the sign-in,
// connect requests and sign-out. In a plain browser there is no host and
// the page still works.
(function () {
  'use strict';

  const data = JSON.parse(document.getElementById('launch-data').textContent);

  // The client reads string messages only: always the JSON text.
  function postToHost(message) {
    if (window.chrome && window.chrome.webview) {
      window.chrome.webview.postMessage(JSON.stringify(message));
      return true;
    }
    return false;
  }

  function element(tag, className, text) {
    const node = document.createElement(tag);
    node.className = className;
    if (text !== undefined) {
      node.textContent = text;
    }
    return node;
  }

  function amount(value) {
    return value.toLocaleString('ko-KR');
  }

  function showNotice(text) {
    const notice = document.getElementById('notice');
    notice.textContent = text;
    notice.hidden = false;
  }

  const availabilityText = { free: '사용 가능', mine: '내 세션', busy: '사용 중' };

  function pcCard(pc) {
    const card = element('li', 'pc-card');
    const head = element('div', 'pc-head');
    head.append(
      element('span', 'pc-name', pc.name),
      element('span', 'badge ' + pc.availability, availabilityText[pc.availability]));
    const foot = element('div', 'pc-foot');
    const rate = pc.dedicated ? '내 전용 PC · 월정액' : '시간당 ' + amount(pc.ratePerHour) + '원';
    const button = element('button', 'button primary', '연결');
    button.type = 'button';
    button.dataset.pcId = String(pc.id);
    // One session per user: while one is open the client shows it, not this list.
    button.disabled = pc.availability !== 'free' || data.session !== null;
    button.addEventListener('click', function () {
      if (!postToHost({ action: 'connect-pc', pcId: pc.id, pcName: pc.name })) {
        showNotice('원격 연결은 NIMBRAL 클라이언트 안에서만 열 수 있습니다.');
      }
    });
    foot.append(element('span', 'rate', rate), button);
    card.append(head, element('div', 'pc-meta', pc.address + ' · ' + pc.ip), element('div', 'pc-spec', pc.spec), foot);
    return card;
  }

  const user = data.user;
  document.getElementById('user-name').textContent = user.name + '님';
  document.getElementById('user-email').textContent = user.email;
  document.getElementById('greeting').textContent = user.name + '님, 어느 PC에 연결할까요?';

  const wallet = document.getElementById('wallet');
  wallet.append(element('li', 'chip', '마일리지 ' + amount(user.mileage_balance) + 'P'));
  const hours = Math.floor(user.remaining_minutes / 60);
  wallet.append(element('li', 'chip', '남은 시간 ' + hours + '시간 ' + (user.remaining_minutes % 60) + '분'));
  if (user.has_subscription) {
    const plan = user.subscription_plan_name + ' · ' + user.subscription_remaining_days + '일 남음';
    wallet.append(element('li', 'chip accent', plan));
  }

  if (data.session) {
    const banner = document.getElementById('session-banner');
    banner.textContent = '진행 중인 세션: ' + data.session.pcName + ' — 세션을 종료하면 다른 PC에 연결할 수 있습니다.';
    banner.hidden = false;
  }

  const list = document.getElementById('pc-list');
  data.pcs.forEach(function (pc) {
    list.append(pcCard(pc));
  });

  document.getElementById('footer').textContent =
    'NIMBRAL 개발 서비스' + (data.clientVersion ? ' · 클라이언트 v' + data.clientVersion : '');

  // The client forgets its token first; the form then ends the web session.
  document.getElementById('logout-form').addEventListener('submit', function () {
    postToHost({ action: 'logout' });
  });

  postToHost({ action: 'auth-token', token: data.token });
})();
